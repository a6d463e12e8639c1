// The cost of the wheel-routing mouse hook: a burst of queued mouse input
// (moves and wheels over a window outside every browser) taken by the
// thread with the hook and without it. Prints the time ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "browser/support/EwbControlComponent.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

namespace {

constexpr int kBurst = 1000;

LRESULT CALLBACK Quiet(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEWHEEL) return 0;
    return DefWindowProcW(window, msg, wParam, lParam);
}

void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Seconds the thread takes to retrieve one queued burst. The moves lie
// between wheels, so that the platform cannot merge them.
double Burst() {
    static INPUT inputs[kBurst];
    for (int i = 0; i < kBurst; ++i) {
        INPUT& input = inputs[i];
        input = INPUT();
        input.type = INPUT_MOUSE;
        if (i % 2) {
            input.mi.dwFlags = MOUSEEVENTF_WHEEL;
            input.mi.mouseData = static_cast<DWORD>(i % 4 == 1 ? WHEEL_DELTA : -WHEEL_DELTA);
        } else {
            input.mi.dwFlags = MOUSEEVENTF_MOVE;
            input.mi.dx = i % 4 ? 1 : -1;
        }
    }
    SendInput(kBurst, inputs, sizeof inputs[0]);
    Sleep(50);  // let the platform queue it all
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    Drain();
    QueryPerformanceCounter(&b);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main() {
    ui::TModuleList modules({{"Forms", &ui::FormsStartUp, &ui::FormsShutDown}});
    modules.StartUp();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Quiet;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MouseHookBench";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                                  300, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    SetCursorPos(300, 250);
    Drain();
    Burst();  // warm-up
    // Alternate, so that a change in the machine's load falls on both; the
    // fastest of each is the least disturbed.
    double without = 1e9, with = 1e9;
    ewb::TEwbControl control(nullptr);
    for (int round = 0; round < 7; ++round) {
        without = std::min(without, Burst());
        control.MouseWheelFix()->SetActive(true);
        with = std::min(with, Burst());
        control.MouseWheelFix()->SetActive(false);
    }
    std::printf("mouse_hook_ratio %.3f\n", with / without);
    DestroyWindow(window);
    return 0;
}
