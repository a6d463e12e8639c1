// A program that Windows XP SP2 cannot load: it imports GetTickCount64
// (Windows Vista) and is linked for subsystem 6.0. The import check must
// refuse it for both.
#include <windows.h>

// The headers hide the declaration below Vista; declare it as Vista's
// headers do.
extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64(void);

int main() { return GetTickCount64() == 0 ? 1 : 0; }
