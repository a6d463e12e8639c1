#include "support/WineTestSupport.h"

#include <algorithm>
#include <cstdio>

#include "framework/Forms.h"

namespace testsupport {

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return done();
        ui::Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string EnvVar(const char* name) {
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

TTempFolder::TTempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%slt%lu_%d\\", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            break;
        }
    }
}

TTempFolder::~TTempFolder() {
    for (const auto& name : FileNames()) DeleteFileA((path_ + name).c_str());
    RemoveDirectoryA(path_.c_str());
}

std::vector<std::string> TTempFolder::FileNames() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path_ + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {

struct TWindowSearch {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == search->process && std::string(cls) == search->className && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        auto* out = reinterpret_cast<std::string*>(param);
        if (std::string(text).size() > out->size()) *out = text;
    }
    return TRUE;
}

}  // namespace

HWND FindVisibleWindowOf(DWORD processId, const char* className) {
    TWindowSearch search = {processId, className, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TDialogWatcher::TDialogWatcher() {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, &TDialogWatcher::Main, this, 0, nullptr);
}

DWORD WINAPI TDialogWatcher::Main(void* self) {
    static_cast<TDialogWatcher*>(self)->Run();
    return 0;
}

TDialogWatcher::~TDialogWatcher() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    DeleteCriticalSection(&lock_);
}

std::vector<TDialogSeen> TDialogWatcher::Seen() {
    EnterCriticalSection(&lock_);
    auto copy = seen_;
    LeaveCriticalSection(&lock_);
    return copy;
}

void TDialogWatcher::Run() {
    while (!stop_) {
        HWND found = FindVisibleWindowOf(GetCurrentProcessId(), "#32770");
        if (found) {
            TDialogSeen seen;
            char caption[512] = {};
            GetWindowTextA(found, caption, sizeof caption);
            seen.Caption = caption;
            EnumChildWindows(found, CollectStaticText, reinterpret_cast<LPARAM>(&seen.Text));
            EnterCriticalSection(&lock_);
            seen_.push_back(seen);
            LeaveCriticalSection(&lock_);
            PostMessageA(found, WM_COMMAND, IDOK, 0);
            // Wait for it to go before looking for the next one.
            for (int i = 0; i < 200 && IsWindow(found) && IsWindowVisible(found); ++i) Sleep(10);
        }
        Sleep(20);
    }
}

namespace {
TDebugOutput* g_debugOutput = nullptr;
}  // namespace

TDebugOutput::TDebugOutput() : handler_(AddVectoredExceptionHandler(1, &TDebugOutput::Handler)) {
    g_debugOutput = this;
}

TDebugOutput::~TDebugOutput() {
    RemoveVectoredExceptionHandler(handler_);
    g_debugOutput = nullptr;
}

LONG CALLBACK TDebugOutput::Handler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2 && g_debugOutput) {
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
        if (text) g_debugOutput->lines_.emplace_back(text, std::min<size_t>(length ? length - 1 : 0, 200));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace testsupport
