// Window-class tests that build no string: the mouse hook runs them for
// every wheel message, the host for its window look-ups.
#pragma once

#include <windows.h>

namespace ewb {

// Whether the window's class is exactly className (case counts); false
// when the class cannot be read.
bool HasWindowClass(HWND window, const wchar_t* className);

// The nearest ancestor of the class, from the parent up; null when none.
HWND ParentWindowOfClass(HWND window, const wchar_t* className);

}  // namespace ewb
