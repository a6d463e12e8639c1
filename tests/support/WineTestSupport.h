// Helpers for tests that run real windows and message loops under Wine.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Runs the thread's message loop for about `ms` milliseconds.
void PumpFor(DWORD ms);
// Runs the message loop until `done` answers true or `timeoutMs` passes;
// answers whether `done` did.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A Unix path as Wine shows it to Windows programs (drive Z:).
std::string WindowsPathOf(const std::string& unixPath);
std::string EnvVar(const char* name);

// A fresh, empty folder (with trailing "\"), removed with its files at the
// end of the test.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    const std::string& Path() const { return path_; }
    std::vector<std::string> FileNames() const;

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A visible top-level window of a process with a window class, or null.
HWND FindVisibleWindowOf(DWORD processId, const char* className);

// What a dialog box showed.
struct TDialogSeen {
    std::string Caption;
    std::string Text;
};

// Watches, on a thread of its own, for dialog boxes ("#32770") of this
// process, records what each shows and closes it.
class TDialogWatcher {
public:
    TDialogWatcher();
    ~TDialogWatcher();
    std::vector<TDialogSeen> Seen();

private:
    static DWORD WINAPI Main(void* self);
    void Run();
    std::atomic<bool> stop_{false};
    std::vector<TDialogSeen> seen_;
    CRITICAL_SECTION lock_;
    HANDLE thread_ = nullptr;
};

// Records, while it lives, what this thread tells the debugger
// (OutputDebugStringA raises an exception a handler sees first), each line
// cut to 200 characters. One at a time.
class TDebugOutput {
public:
    TDebugOutput();
    ~TDebugOutput();
    TDebugOutput(const TDebugOutput&) = delete;
    TDebugOutput& operator=(const TDebugOutput&) = delete;
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info);
    void* handler_;
    std::vector<std::string> lines_;
};

}  // namespace testsupport
