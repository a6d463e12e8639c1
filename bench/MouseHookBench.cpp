// The cost of the wheel-routing mouse hook against an empty thread mouse
// hook (one that only calls CallNextHookEx): the same burst of queued mouse
// input taken by the thread with one hook and with the other, moves and
// wheels apart. The scene is the usual state: a browser's window chain
// ("Shell Embedding" > "Shell DocObject View" > "Internet Explorer_Server",
// windows of this program) with the focus on the page and the cursor over
// it, so that each wheel message goes the whole way through the hook and is
// passed on. Also counts the heap blocks asked for during the wheel bursts.
// Prints "<name> <value>" lines.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "browser/support/EwbControlComponent.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

namespace {
bool countingAllocations = false;
long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (countingAllocations) ++allocations;
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

constexpr int kBurst = 1000;
constexpr int kRounds = 15;

LRESULT CALLBACK Quiet(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Taken here, not handed up the chain of parents.
    if (msg == WM_MOUSEWHEEL || msg == WM_MBUTTONUP) return 0;
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND Make(const wchar_t* className, HWND parent, DWORD style, int x, int y, int w, int h) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Quiet;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowExW(0, className, L"bench", style, x, y, w, h, parent, nullptr, wc.hInstance, nullptr);
}

void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Moves: between two moves a middle-button release, so that the platform
// cannot merge them; neither is a wheel, so both take the hook's short way.
// Wheels: alternating up and down.
std::vector<INPUT> BurstOf(bool wheels) {
    std::vector<INPUT> inputs(kBurst);
    for (int i = 0; i < kBurst; ++i) {
        INPUT& input = inputs[static_cast<size_t>(i)];
        input = INPUT();
        input.type = INPUT_MOUSE;
        if (wheels) {
            input.mi.dwFlags = MOUSEEVENTF_WHEEL;
            input.mi.mouseData = static_cast<DWORD>(i % 2 ? WHEEL_DELTA : -WHEEL_DELTA);
        } else if (i % 2) {
            input.mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
        } else {
            input.mi.dwFlags = MOUSEEVENTF_MOVE;
            input.mi.dx = i % 4 ? 1 : -1;
        }
    }
    return inputs;
}

// Seconds the thread takes to retrieve one queued burst.
double Burst(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof inputs[0]);
    Sleep(50);  // let the platform queue it all
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    Drain();
    QueryPerformanceCounter(&b);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

HHOOK emptyHook = nullptr;
LRESULT CALLBACK EmptyHook(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(emptyHook, code, wParam, lParam);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main() {
    ui::TModuleList modules({{"Forms", &ui::FormsStartUp, &ui::FormsShutDown}});
    modules.StartUp();
    HWND top = Make(L"MouseHookBench", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300);
    RECT client;
    GetClientRect(top, &client);
    const DWORD child = WS_CHILD | WS_VISIBLE;
    HWND embedding = Make(L"Shell Embedding", top, child, 0, 0, client.right, client.bottom);
    HWND view = Make(L"Shell DocObject View", embedding, child, 0, 0, client.right, client.bottom);
    HWND page = Make(L"Internet Explorer_Server", view, child, 0, 0, client.right, client.bottom);
    SetForegroundWindow(top);
    SetFocus(page);
    RECT r;
    GetWindowRect(page, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Drain();

    std::vector<INPUT> moves = BurstOf(false), wheels = BurstOf(true);
    ewb::TEwbControl control(nullptr);
    auto useEmpty = [] { emptyHook = SetWindowsHookExW(WH_MOUSE, EmptyHook, nullptr, GetCurrentThreadId()); };
    auto dropEmpty = [] { UnhookWindowsHookEx(emptyHook); };
    auto useRouting = [&] { control.MouseWheelFix()->SetActive(true); };
    auto dropRouting = [&] { control.MouseWheelFix()->SetActive(false); };

    // Warm-up, then rounds that alternate which hook goes first; the
    // per-round ratios' median is the figure.
    for (auto* burst : {&moves, &wheels}) {
        useEmpty();
        Burst(*burst);
        dropEmpty();
        useRouting();
        Burst(*burst);
        dropRouting();
    }
    std::vector<double> moveRatios, wheelRatios;
    long wheelMessages = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (auto* burst : {&moves, &wheels}) {
            double withEmpty = 0, withRouting = 0;
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (round % 2 == 0)) {
                    useEmpty();
                    withEmpty = Burst(*burst);
                    dropEmpty();
                } else {
                    useRouting();
                    const bool counting = burst == &wheels;
                    countingAllocations = counting;
                    withRouting = Burst(*burst);
                    countingAllocations = false;
                    if (counting) wheelMessages += kBurst;
                    dropRouting();
                }
            }
            (burst == &moves ? moveRatios : wheelRatios).push_back(withRouting / withEmpty);
        }
    }
    if (GetFocus() != page) std::fprintf(stderr, "the focus left the page: the wheels were routed\n");
    std::printf("mouse_hook_move_ratio %.3f\n", Median(moveRatios));
    std::printf("mouse_hook_wheel_ratio %.3f\n", Median(wheelRatios));
    std::printf("mouse_hook_wheel_allocations_per_message %.3f\n",
                static_cast<double>(allocations) / static_cast<double>(wheelMessages));
    DestroyWindow(top);
    return 0;
}
