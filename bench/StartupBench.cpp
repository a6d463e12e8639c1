// Start-up of the launcher against the bare host: from process creation to
// the program's 640 x 480 window being visible, in alternating runs, so that
// a change in the machine's load falls on both programs alike.
//   startup_bench RUNS LAUNCHER_EXE BARE_HOST_EXE URL
// The launcher runs in its own folder (it reads and writes its
// configuration there); the bare host is given URL. Each program is ended
// as soon as its window shows. Prints "<name> <value>" lines.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TFind {
    DWORD process;
    bool found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param) {
    auto* find = reinterpret_cast<TFind*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    RECT r;
    // The framework's application window is hidden; only the main window
    // is this large.
    if (owner == find->process && IsWindowVisible(window) && GetWindowRect(window, &r) &&
        r.right - r.left >= 600 && r.bottom - r.top >= 400) {
        find->found = true;
        return FALSE;
    }
    return TRUE;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Milliseconds until the window shows; negative when it did not within 30 s.
double TimeToWindow(const std::string& program, const std::string& argument) {
    std::string commandLine = "\"" + program + "\"";
    if (!argument.empty()) commandLine += " \"" + argument + "\"";
    const std::string folder = FolderOf(program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Now();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return -1;
    }
    double elapsed = -1;
    while (Now() - start < 30.0) {
        TFind find = {process.dwProcessId, false};
        EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&find));
        if (find.found) {
            elapsed = (Now() - start) * 1000.0;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    // Ended from outside: the benchmark is about showing, not closing, and a
    // closed launcher would open the play page.
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: startup_bench RUNS LAUNCHER_EXE BARE_HOST_EXE URL\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const std::string launcher = argv[2], bare = argv[3], url = argv[4];
    // One pair first, not counted: the first start of each loads what the
    // later ones find in the cache.
    if (TimeToWindow(launcher, "") < 0 || TimeToWindow(bare, url) < 0) {
        std::fprintf(stderr, "a program did not show its window\n");
        return 1;
    }
    std::vector<double> launcherTimes, bareTimes, ratios;
    for (int i = 0; i < runs; ++i) {
        // Alternate which program goes first, so neither always follows the other.
        double l, b;
        if (i % 2) {
            b = TimeToWindow(bare, url);
            l = TimeToWindow(launcher, "");
        } else {
            l = TimeToWindow(launcher, "");
            b = TimeToWindow(bare, url);
        }
        if (l < 0 || b < 0) {
            std::fprintf(stderr, "a program did not show its window\n");
            return 1;
        }
        launcherTimes.push_back(l);
        bareTimes.push_back(b);
        ratios.push_back(l / b);
    }
    std::printf("startup_launcher_ms %.1f\n", Median(launcherTimes));
    std::printf("startup_bare_host_ms %.1f\n", Median(bareTimes));
    std::printf("startup_ratio %.3f\n", Median(ratios));
    return 0;
}
