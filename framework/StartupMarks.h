// Time marks along the start-up, for the start-up benchmark's breakdown.
// They exist only in a build that defines LAUNCHER_STARTUP_MARKS (the
// benchmark's own copies of the launcher and the bare host, see
// bench/CMakeLists.txt); everywhere else STARTUP_MARK(name) is nothing.
//
// Each mark keeps the performance counter, which is one clock for every
// process of the machine. The mark named "shown" ends the start-up: the
// marks are then written, one "<counter> <name>" line each after a line
// "frequency <counts per second>", to the file that the environment
// variable LAUNCHER_STARTUP_MARKS_FILE names.
#pragma once

#ifdef LAUNCHER_STARTUP_MARKS

#include <windows.h>

#include <cstring>
#include <string>

namespace ui {

inline void StartupMark(const char* name) {
    struct TMark {
        const char* Name;
        LONGLONG Count;
    };
    static TMark marks[64];
    static int count = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (count < 64) marks[count++] = {name, now.QuadPart};
    if (std::strcmp(name, "shown") != 0) return;
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LAUNCHER_STARTUP_MARKS_FILE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::string text = "frequency " + std::to_string(frequency.QuadPart) + "\n";
    for (int i = 0; i < count; ++i) text += std::to_string(marks[i].Count) + " " + marks[i].Name + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace ui

#define STARTUP_MARK(name) ::ui::StartupMark(name)

#else

#define STARTUP_MARK(name) ((void)0)

#endif
