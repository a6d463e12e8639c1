/* A stand-in help library: every command it is given, and its unloading,
   are appended to the process's environment variable HHCTRL_TEST_LOG, which
   outlives the library. */
#include <windows.h>

static void Append(const char* entry) {
    char log[512] = "";
    GetEnvironmentVariableA("HHCTRL_TEST_LOG", log, sizeof log);
    if (lstrlenA(log) + lstrlenA(entry) < (int)sizeof log) lstrcatA(log, entry);
    SetEnvironmentVariableA("HHCTRL_TEST_LOG", log);
}

HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    char entry[32];
    (void)caller; (void)file; (void)data;
    wsprintfA(entry, "command %u;", command);
    Append(entry);
    return NULL;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance; (void)reserved;
    if (reason == DLL_PROCESS_DETACH) Append("unloaded;");
    return TRUE;
}
