// A stand-in game: records when it started, its current directory and its
// command line in "game-record.txt" beside itself, then ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;

    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string record = self;
    record = record.substr(0, record.find_last_of('\\') + 1) + "game-record.txt";

    FILE* f = std::fopen(record.c_str(), "ab");
    if (!f) return 1;
    std::fprintf(f, "%llu|%s|%s\n", static_cast<unsigned long long>(t.QuadPart), cwd, GetCommandLineA());
    std::fclose(f);
    return 0;
}
