#include "browser/support/EwbWindows.h"

#include <cwchar>

namespace ewb {

namespace {

// A class name has at most 256 characters: with room for the terminator
// none is cut, so the comparison is exact for every name.
constexpr int kClassNameBuffer = 257;

}  // namespace

bool HasWindowClass(HWND window, const wchar_t* className) {
    wchar_t name[kClassNameBuffer];
    return GetClassNameW(window, name, kClassNameBuffer) > 0 && std::wcscmp(name, className) == 0;
}

HWND ParentWindowOfClass(HWND window, const wchar_t* className) {
    HWND w = GetParent(window);
    while (w && IsWindow(w) && !HasWindowClass(w, className)) w = GetParent(w);
    return w;
}

}  // namespace ewb
