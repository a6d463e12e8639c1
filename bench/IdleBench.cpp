// Brings a program to the idle state that the idle benchmark measures, and
// ends it when told: scripts/bench.sh reads the program's processor time
// and private memory from the system meanwhile.
//   idle_bench launcher LAUNCHER_EXE
//       the launcher in its folder, whose configuration names
//       bench/IdleGame.cpp as the game: ready when the game has started
//   idle_bench bare BARE_HOST_EXE CONFIGURATION_URL
//       the bare host: ready one second after its window shows, as long
//       as the launcher's game waits after its window (Time=1)
// Prints "ready", then waits for a line on its input, ends the program and
// prints "ended".
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/ShownWindow.h"

namespace {

bool WindowShown(HANDLE process, DWORD id) {
    for (int i = 0; i < 3000; ++i) {
        if (bench::HasShownWindow(id)) return true;
        if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0) return false;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (!((mode == "launcher" && argc == 3) || (mode == "bare" && argc == 4))) {
        std::fprintf(stderr, "usage: idle_bench launcher LAUNCHER_EXE | idle_bench bare BARE_HOST_EXE URL\n");
        return 2;
    }
    const std::string program = argv[2];
    std::string commandLine = "\"" + program + "\"";
    if (mode == "bare") commandLine += std::string(" ") + argv[3];
    const std::string folder = program.substr(0, program.find_last_of("\\/"));
    HANDLE gameStarted = CreateEventA(nullptr, TRUE, FALSE, "LauncherBenchGameStarted");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!gameStarted || !CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return 1;
    }
    bool ready;
    if (mode == "launcher") {
        HANDLE both[] = {gameStarted, process.hProcess};
        ready = WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
    } else {
        ready = WindowShown(process.hProcess, process.dwProcessId);
        Sleep(1000);
    }
    int result = 0;
    if (ready) {
        std::printf("ready\n");
        std::fflush(stdout);
        char line[16];
        if (!std::fgets(line, sizeof line, stdin)) {
            // No one to say when: ten seconds.
            Sleep(10000);
        }
    } else {
        std::fprintf(stderr, "%s did not come to the idle state\n", program.c_str());
        result = 1;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(gameStarted);
    std::printf("ended\n");
    return result;
}
