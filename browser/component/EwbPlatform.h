// Platform routines of the browser component: the operating-system and
// engine version tests, the navigation-sound switch, the floating-point
// control word and the WinINet entry points of the proxy routines.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

namespace ewb {

// Windows XP with Service Pack 2 or later; the test is bound at run time,
// and a platform without it counts as older.
bool IsWinXPSP2OrLater();
// The browser engine's file version text; empty when it cannot be read.
std::string GetIEVersion();
// That text cut before its first ".".
std::string GetIEMajorVersion();
// A version text cut before its first "."; the whole text without one.
std::string MajorVersionOf(const std::string& version);
// Switches the navigation sound off (Disable) or on for an engine of the
// version given: by the process feature switch from engine 7 on, by the
// sound scheme in the registry before it or when the version is unknown.
void SwitchNavigationSound(const std::string& version, bool Disable);
// Parks (Disable) or restores the navigation event's current sound in the
// user's sound scheme.
void SetNavigationSoundKey(bool Disable);
// Moves the subkey `from` of `parent` to `to`, with its values and
// subkeys, only when `from` exists and `to` does not. The source goes only
// once the whole copy is made; a copy that fails is taken out again.
bool MoveRegistryKey(HKEY parent, const std::wstring& from, const std::wstring& to);

// The x87 floating-point control word, read as the processor holds it, and
// loaded after pending exceptions are cleared.
uint16_t GetFpuControlWord();
void SetFpuControlWord(uint16_t word);

// The WinINet entry points the proxy routines go through; a test may put
// recorders in their place.
struct TWinInetEntries {
    HINTERNET(WINAPI* Open)(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR bypass, DWORD flags);
    HINTERNET(WINAPI* Connect)(HINTERNET session, LPCSTR server, INTERNET_PORT port, LPCSTR user,
                               LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context);
    BOOL(WINAPI* SetOption)(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);
    BOOL(WINAPI* Close)(HINTERNET handle);
};
extern TWinInetEntries WinInet;

}  // namespace ewb
