// Start-up of the launcher against the bare host (bench/BareHost.cpp, which
// does the same required work in the same order): from process creation to
// the program's 640 x 480 window being visible.
//   startup_bench pairs RUNS LAUNCHER_EXE BARE_HOST_EXE CONFIGURATION_URL
//   startup_bench breakdown RUNS LAUNCHER_EXE BARE_HOST_EXE CONFIGURATION_URL MARKS_FILE
// Each program runs in its own folder (both write the configuration there);
// the bare host is given the configuration's address. One uncounted pair
// first, then RUNS pairs; which program goes first alternates, so that a
// change in the machine's load falls on both alike. Each program is ended
// from outside once its window shows (a closed launcher would open the
// play page).
// pairs: prints "<name> <value>" lines: both medians, the ratio of the
// medians, and the median, first and third quartile of the per-pair ratios.
// breakdown: the programs built with the start-up marks
// (framework/StartupMarks.h) write their marks to MARKS_FILE; prints the
// median time of each phase, from the mark before to its own, beside the
// other program's, grouped by what the phase does.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/ShownWindow.h"

namespace {

LONGLONG Counter() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Milliseconds(LONGLONG counts) {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(counts) * 1000.0 / frequency;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// One mark as the program wrote it: its name and its counter.
struct TMark {
    std::string Name;
    LONGLONG Count;
};

// The marks file, once the program has written it whole (it is written at
// the mark "shown", exclusively); empty when it does not come within 10 s.
std::vector<TMark> ReadMarks(const std::string& file) {
    for (int attempt = 0; attempt < 1000; ++attempt, Sleep(10)) {
        HANDLE probe = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) continue;
        CloseHandle(probe);
        std::ifstream in(file);
        std::vector<TMark> marks;
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string first;
            fields >> first;
            if (first == "frequency" || first.empty()) continue;
            TMark mark;
            mark.Count = std::atoll(first.c_str());
            std::getline(fields >> std::ws, mark.Name);
            marks.push_back(mark);
        }
        if (!marks.empty() && marks.back().Name == "shown") return marks;
    }
    return {};
}

// One start: milliseconds until the window shows, negative when it did not
// within 30 s. With a marks file, the program's marks as milliseconds from
// the process's creation, and "seen visible" last.
double TimeToWindow(const std::string& program, const std::string& argument, const std::string& marksFile,
                    std::vector<std::pair<std::string, double>>* phases) {
    std::string commandLine = "\"" + program + "\"";
    if (!argument.empty()) commandLine += " " + argument;
    const std::string folder = FolderOf(program);
    if (!marksFile.empty()) DeleteFileA(marksFile.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const LONGLONG start = Counter();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return -1;
    }
    double elapsed = -1;
    while (Milliseconds(Counter() - start) < 30000.0) {
        if (bench::HasShownWindow(process.dwProcessId)) {
            elapsed = Milliseconds(Counter() - start);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (phases && elapsed >= 0) {
        phases->clear();
        for (const TMark& mark : ReadMarks(marksFile))
            phases->emplace_back(mark.Name, Milliseconds(mark.Count - start));
        if (phases->empty()) {
            std::fprintf(stderr, "%s wrote no marks to %s\n", program.c_str(), marksFile.c_str());
            elapsed = -1;
        } else {
            // The window may be seen before the showing ends: in time order,
            // the phase after it is what the showing does once visible.
            phases->emplace_back("seen visible", elapsed);
            std::stable_sort(phases->begin(), phases->end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        }
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

// The value at fraction p of the sorted values, between neighbours.
double Quantile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double at = p * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(at);
    if (below + 1 >= values.size()) return values.back();
    return values[below] + (values[below + 1] - values[below]) * (at - static_cast<double>(below));
}

double Median(const std::vector<double>& values) { return Quantile(values, 0.5); }

// What each phase does, by the mark that ends it; the same words for both
// programs, so that their phases line up.
const char* GroupOf(const std::string& mark) {
    static const std::map<std::string, const char*> groups = {
        {"entry", "process start to entry (loader, runtime)"},
        {"EwbLateBound", "module start-ups, OLE and COM"},
        {"Forms", "application window (module Forms)"},
        {"EwbOle", "module start-ups, OLE and COM"},
        {"EmbeddedWB", "module start-ups, OLE and COM"},
        {"OLE", "module start-ups, OLE and COM"},
        {"COM initialised", "module start-ups, OLE and COM"},
        {"form properties", "form (window) and children"},
        {"form window and Memo1", "form (window) and children"},
        {"EmbeddedWB1 constructed, its properties", "form (window) and children"},
        {"Timer1", "form (window) and children"},
        {"window created", "form (window) and children"},
        {"fetch", "fetch of the configuration"},
        {"Web read", "reading Web"},
        {"control created", "control created"},
        {"control site set", "control loading steps"},
        {"control state loaded", "control loading steps"},
        {"control events advised", "control loading steps"},
        {"control properties set", "control loading steps"},
        {"security and zone managers", "control loading steps"},
        {"loading steps", "control loading steps"},
        {"navigated", "navigation"},
        {"timer armed", "navigation"},
        {"control in-place activated", "in-place activation"},
        {"shown", "showing"},
        {"seen visible", "until the benchmark sees it"},
    };
    auto it = groups.find(mark);
    return it == groups.end() ? "other" : it->second;
}

// Per run, the milliseconds of each phase (from the mark before) and of
// each group; the medians over the runs.
struct TBreakdown {
    std::vector<std::string> order;        // marks, in the order met
    std::vector<std::string> groupOrder;   // groups, in the order met
    std::map<std::string, std::vector<double>> phases, groups;
    std::vector<double> totals;

    // Marks in time order, "seen visible" among them: what comes after it
    // is not part of the start-up.
    void Add(const std::vector<std::pair<std::string, double>>& marks) {
        double before = 0;
        bool seen = false;
        std::map<std::string, double> groupSums;
        for (const auto& mark : marks) {
            if (std::find(order.begin(), order.end(), mark.first) == order.end()) order.push_back(mark.first);
            const std::string group = seen ? "after it was seen (not in the total)" : GroupOf(mark.first);
            if (std::find(groupOrder.begin(), groupOrder.end(), group) == groupOrder.end())
                groupOrder.push_back(group);
            phases[mark.first].push_back(mark.second - before);
            groupSums[group] += mark.second - before;
            before = mark.second;
            if (mark.first == "seen visible") {
                seen = true;
                totals.push_back(mark.second);
            }
        }
        for (const std::string& group : groupOrder) groups[group].push_back(groupSums[group]);
    }
    double GroupMedian(const std::string& group) const {
        auto it = groups.find(group);
        return it == groups.end() ? 0.0 : Median(it->second);
    }
};

int Usage() {
    std::fprintf(stderr,
                 "usage: startup_bench pairs RUNS LAUNCHER_EXE BARE_HOST_EXE CONFIGURATION_URL\n"
                 "       startup_bench breakdown RUNS LAUNCHER_EXE BARE_HOST_EXE CONFIGURATION_URL MARKS_FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) return Usage();
    const std::string mode = argv[1];
    const bool breakdown = mode == "breakdown";
    if ((mode != "pairs" && !breakdown) || (breakdown && argc != 7) || (!breakdown && argc != 6)) return Usage();
    const int runs = std::max(1, std::atoi(argv[2]));
    const std::string launcher = argv[3], bare = argv[4], url = argv[5];
    const std::string marksFile = breakdown ? argv[6] : "";
    if (breakdown) SetEnvironmentVariableA("LAUNCHER_STARTUP_MARKS_FILE", marksFile.c_str());

    std::vector<std::pair<std::string, double>> launcherMarks, bareMarks;
    auto* lm = breakdown ? &launcherMarks : nullptr;
    auto* bm = breakdown ? &bareMarks : nullptr;
    // The first start of each loads what the later ones find in the
    // system's caches: not counted.
    if (TimeToWindow(launcher, "", marksFile, lm) < 0 || TimeToWindow(bare, url, marksFile, bm) < 0) {
        std::fprintf(stderr, "a program did not show its window\n");
        return 1;
    }
    std::vector<double> launcherTimes, bareTimes, ratios;
    TBreakdown launcherPhases, barePhases;
    for (int i = 0; i < runs; ++i) {
        double l, b;
        if (i % 2) {
            b = TimeToWindow(bare, url, marksFile, bm);
            l = TimeToWindow(launcher, "", marksFile, lm);
        } else {
            l = TimeToWindow(launcher, "", marksFile, lm);
            b = TimeToWindow(bare, url, marksFile, bm);
        }
        if (l < 0 || b < 0) {
            std::fprintf(stderr, "a program did not show its window\n");
            return 1;
        }
        launcherTimes.push_back(l);
        bareTimes.push_back(b);
        ratios.push_back(l / b);
        if (breakdown) {
            launcherPhases.Add(launcherMarks);
            barePhases.Add(bareMarks);
        }
    }

    if (!breakdown) {
        std::printf("startup_pairs %d\n", runs);
        std::printf("startup_launcher_ms %.1f\n", Median(launcherTimes));
        std::printf("startup_bare_host_ms %.1f\n", Median(bareTimes));
        std::printf("startup_ratio_of_medians %.3f\n", Median(launcherTimes) / Median(bareTimes));
        std::printf("startup_median_ratio %.3f\n", Median(ratios));
        std::printf("startup_ratio_q1 %.3f\n", Quantile(ratios, 0.25));
        std::printf("startup_ratio_q3 %.3f\n", Quantile(ratios, 0.75));
        return 0;
    }

    // The groups side by side, then each program's own phases.
    const std::string heading = "start-up phase, median ms of " + std::to_string(runs) + " runs";
    std::printf("%-46s %10s %10s\n", heading.c_str(), "launcher", "bare host");
    std::vector<std::string> groups = launcherPhases.groupOrder;
    for (const std::string& g : barePhases.groupOrder)
        if (std::find(groups.begin(), groups.end(), g) == groups.end()) groups.push_back(g);
    for (const std::string& g : groups)
        std::printf("%-46s %10.1f %10.1f\n", g.c_str(), launcherPhases.GroupMedian(g), barePhases.GroupMedian(g));
    std::printf("%-46s %10.1f %10.1f\n", "total to visible", Median(launcherPhases.totals),
                Median(barePhases.totals));
    for (const TBreakdown* program : {&launcherPhases, &barePhases}) {
        std::printf("\n%s, each mark (ms from the mark before, median of %d):\n",
                    program == &launcherPhases ? "launcher" : "bare host", runs);
        for (const std::string& mark : program->order)
            std::printf("  %-44s %10.1f\n", mark.c_str(), Median(program->phases.at(mark)));
    }
    return 0;
}
