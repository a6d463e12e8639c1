// Whether a program of the benchmarks has shown its main window: a visible
// window of the process at least 600 x 400 (the launcher's application
// window is visible too, but has no size).
#pragma once

#include <windows.h>

namespace bench {

struct TShownWindowSearch {
    DWORD Process;
    bool Found;

    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
        auto* search = reinterpret_cast<TShownWindowSearch*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        RECT r;
        if (owner == search->Process && IsWindowVisible(window) && GetWindowRect(window, &r) &&
            r.right - r.left >= 600 && r.bottom - r.top >= 400) {
            search->Found = true;
            return FALSE;
        }
        return TRUE;
    }
};

inline bool HasShownWindow(DWORD process) {
    TShownWindowSearch search = {process, false};
    EnumWindows(&TShownWindowSearch::Visit, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

}  // namespace bench
