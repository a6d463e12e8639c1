// Platform services bound late: HTML Help, the URL moniker library's
// feature switches and the browser engine's resource library. Nothing here
// is imported; what is missing answers E_NOTIMPL or a 0 handle.
#pragma once

#include <windows.h>

namespace ewb {

HMODULE LoadHtmlHelpLibrary();
// As the platform's HtmlHelpA; 0 when help is not available.
HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data);

bool LoadUrlMonLibrary();
// Looks an entry of the URL moniker library up into `place`: its address,
// or 1 when it is missing; `place` stays as it was when the library is.
bool GetUrlMonEntry(const char* name, FARPROC& place);
HRESULT SetInternetFeatureEnabled(int feature, DWORD flags, bool enable);
HRESULT IsInternetFeatureEnabled(int feature, DWORD flags);

HMODULE LoadShdoclcLibrary();

// Loads a library with no system error box for a missing file and with the
// floating-point control word kept as it was.
HMODULE SafeLoadLibrary(const char* name);

// The module's state: libraries loaded and entry points found (0 = not
// looked up yet, 1 = looked up and missing).
struct TLateBoundState {
    HMODULE HtmlHelpLibrary;
    HMODULE UrlMonLibrary;
    FARPROC SetFeatureEntry;
    FARPROC IsFeatureEntry;
    HMODULE ShdoclcLibrary;
};
extern TLateBoundState LateBound;

void EwbLateBoundShutDown();

}  // namespace ewb
