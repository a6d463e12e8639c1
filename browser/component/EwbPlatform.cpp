#include "browser/component/EwbPlatform.h"

#include <windows.h>

#include "browser/component/EmbeddedWB.h"

namespace ewb {

namespace {
using TVerifyVersionInfoA = BOOL(WINAPI*)(OSVERSIONINFOEXA*, DWORD, DWORDLONG);
using TVerSetConditionMask = ULONGLONG(WINAPI*)(ULONGLONG, DWORD, BYTE);
}  // namespace

bool IsWinXPSP2OrLater() {
    // Both entry points are younger than the oldest systems the program
    // meets, so they are looked up rather than imported.
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    if (!kernel) return false;
    auto verify = reinterpret_cast<TVerifyVersionInfoA>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "VerifyVersionInfoA")));
    auto setMask = reinterpret_cast<TVerSetConditionMask>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "VerSetConditionMask")));
    bool result = false;
    if (verify && setMask) {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = sizeof info;  // 156
        info.dwMajorVersion = 5;
        info.dwMinorVersion = 1;
        info.wServicePackMajor = 2;
        info.wServicePackMinor = 0;
        ULONGLONG mask = 0;
        mask = setMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
        mask = setMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
        mask = setMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
        mask = setMask(mask, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
        result = verify(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR,
                        mask) != FALSE;
    }
    FreeLibrary(kernel);
    return result;
}

std::string GetIEVersion() {
    // Not read yet: answers the empty text, as for an unreadable version.
    return std::string();
}

std::string GetIEMajorVersion() {
    // Not read yet: answers the empty text, as for an unreadable version.
    return std::string();
}

void SetNavigationSoundKey(bool) {
    // Does nothing yet: the sound scheme is left as it is.
}

void TEmbeddedWB::DisableNavigationSound(bool) {
    // Does nothing yet: the navigation sound is left on.
}

}  // namespace ewb
