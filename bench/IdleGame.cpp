// The game of the idle benchmark: tells the benchmark that the launcher has
// started it (the named event below), then ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, "LauncherBenchGameStarted");
    if (!started) return 1;
    SetEvent(started);
    CloseHandle(started);
    return 0;
}
