// Waits until the demo game's window shows (for the demo run without a
// display, whose screenshot should have the game beside the launcher).
// Exit code 0 when it showed within the seconds given (default 20), else 1.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const DWORD limit = static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 20) * 1000;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
        HWND window = FindWindowA("DemoGame", nullptr);
        if (window && IsWindowVisible(window)) return 0;
        Sleep(50);
    }
    return 1;
}
