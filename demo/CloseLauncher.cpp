// Closes the launcher's window as its close button does (for the demo run
// without a display, where nobody can click it).
#include <windows.h>

int main() {
    HWND window = FindWindowA("TFormMain", nullptr);
    if (!window) return 1;
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}
