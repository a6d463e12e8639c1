// Keeps Wine's desktop process alive for a whole test run. Wine ends the
// desktop once its last user goes, and every test process would start it
// anew; the new desktop inherits that test's output and holds it open until
// it ends again some twenty seconds later, which the test runner waits for.
// This program is a user of the desktop that stays, with one hidden window,
// until the harness ends the wine server.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "DesktopKeeper";
    RegisterClassA(&wc);
    CreateWindowA("DesktopKeeper", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
