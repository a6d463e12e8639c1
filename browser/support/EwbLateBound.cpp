#include "browser/support/EwbLateBound.h"

#include <float.h>
#include <htmlhelp.h>

#include "framework/Owners.h"

namespace ewb {

TLateBoundState LateBound = {};

namespace {

bool IsLibrary(HMODULE handle) { return reinterpret_cast<UINT_PTR>(handle) > 32; }

bool IsAddress(FARPROC entry) { return reinterpret_cast<INT_PTR>(entry) > 1; }

constexpr unsigned kAllControlBits = _MCW_EM | _MCW_RC | _MCW_PC | _MCW_IC | _MCW_DN;

}  // namespace

HMODULE SafeLoadLibrary(const char* name) {
    const UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    const unsigned int controlWord = _control87(0, 0);
    // A library's start-up may change the control word; ours stands.
    ui::TScopeExit restore([&] {
        _clearfp();
        _control87(controlWord, kAllControlBits);
        SetErrorMode(previousMode);
    });
    return LoadLibraryA(name);
}

HMODULE LoadHtmlHelpLibrary() {
    if (!LateBound.HtmlHelpLibrary) {
        HMODULE handle = SafeLoadLibrary("hhctrl.ocx");
        LateBound.HtmlHelpLibrary = IsLibrary(handle) ? handle : nullptr;
    }
    return LateBound.HtmlHelpLibrary;
}

HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    if (!LoadHtmlHelpLibrary()) return nullptr;
    using THtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    auto entry = reinterpret_cast<THtmlHelpA>(
        reinterpret_cast<void*>(GetProcAddress(LateBound.HtmlHelpLibrary, "HtmlHelpA")));
    return entry ? entry(caller, file, command, data) : nullptr;
}

bool LoadUrlMonLibrary() {
    if (!LateBound.UrlMonLibrary) LateBound.UrlMonLibrary = SafeLoadLibrary("URLMON.DLL");
    return IsLibrary(LateBound.UrlMonLibrary);
}

bool GetUrlMonEntry(const char* name, FARPROC& place) {
    if (!LoadUrlMonLibrary()) return false;
    place = GetProcAddress(LateBound.UrlMonLibrary, name);
    if (!place) {
        place = reinterpret_cast<FARPROC>(1);
        return false;
    }
    return true;
}

HRESULT SetInternetFeatureEnabled(int feature, DWORD flags, bool enable) {
    if (!IsAddress(LateBound.SetFeatureEntry) &&
        !GetUrlMonEntry("CoInternetSetFeatureEnabled", LateBound.SetFeatureEntry))
        return E_NOTIMPL;
    using TSetFeature = HRESULT(WINAPI*)(DWORD, DWORD, BOOL);
    auto entry = reinterpret_cast<TSetFeature>(reinterpret_cast<void*>(LateBound.SetFeatureEntry));
    // True is all bits set, as the platform's own headers' callers pass it.
    return entry(static_cast<DWORD>(feature), flags, enable ? static_cast<BOOL>(0xFFFFFFFF) : FALSE);
}

HRESULT IsInternetFeatureEnabled(int feature, DWORD flags) {
    if (!IsAddress(LateBound.IsFeatureEntry) &&
        !GetUrlMonEntry("CoInternetIsFeatureEnabled", LateBound.IsFeatureEntry))
        return E_NOTIMPL;
    using TIsFeature = HRESULT(WINAPI*)(DWORD, DWORD);
    auto entry = reinterpret_cast<TIsFeature>(reinterpret_cast<void*>(LateBound.IsFeatureEntry));
    return entry(static_cast<DWORD>(feature), flags);
}

HMODULE LoadShdoclcLibrary() {
    if (!LateBound.ShdoclcLibrary) {
        HMODULE handle = GetModuleHandleA("SHDOCLC.DLL");
        if (!handle) handle = SafeLoadLibrary("SHDOCLC.DLL");
        LateBound.ShdoclcLibrary = IsLibrary(handle) ? handle : nullptr;
    }
    return LateBound.ShdoclcLibrary;
}

void EwbLateBoundShutDown() {
    // The resource library may be one the module did not load: it stays.
    // Help windows still open are told to close first, so that none of
    // them calls into the library once it is gone.
    if (LateBound.HtmlHelpLibrary) {
        CallHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
        FreeLibrary(LateBound.HtmlHelpLibrary);
    }
    if (LateBound.UrlMonLibrary) FreeLibrary(LateBound.UrlMonLibrary);
    LateBound.HtmlHelpLibrary = nullptr;
    LateBound.UrlMonLibrary = nullptr;
}

}  // namespace ewb
