// Mouse-wheel routing through a real thread hook: real windows, the cursor
// put over them and wheel input sent through the platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "browser/support/EwbControlComponent.h"
#include "browser/support/EwbWindows.h"
#include "framework/Forms.h"
#include "support/WineTestSupport.h"

using namespace ewb;

// Heap blocks asked for while counting: the wheel path must ask for none.
namespace {
bool g_countAllocations = false;
int g_allocations = 0;
}  // namespace
void* operator new(std::size_t size) {
    if (g_countAllocations) ++g_allocations;
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

// Wheel messages that reached a window of the scene. They are not passed to
// the parent, so each message counts once.
int g_delivered = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEWHEEL) {
        ++g_delivered;
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

// A hook installed before the routing: it sees what the routing passes on.
struct TSeen {
    int code;
    WPARAM message;
};
std::vector<TSeen> g_seen;
HHOOK g_recorder = nullptr;
LRESULT CALLBACK RecorderProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) g_seen.push_back({code, wParam});
    return CallNextHookEx(g_recorder, code, wParam, lParam);
}
int SeenWheels(int code = HC_ACTION) {
    int n = 0;
    for (const TSeen& s : g_seen) n += s.message == WM_MOUSEWHEEL && s.code == code;
    return n;
}

HWND MakeChild(const wchar_t* className, HWND parent, int x, int y, int w, int h) {
    WNDCLASSW wc = {};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), className, &wc)) {
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

class MouseWheelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<ui::TForm>(nullptr);
        form->SetBounds(60, 60, 420, 260);
        form->Show();
        SetForegroundWindow(form->Handle());
        // A text field on the left, a browser's window chain on the right.
        field = MakeChild(L"EwbTestField", form->Handle(), 0, 0, 150, 200);
        embedding = MakeChild(L"Shell Embedding", form->Handle(), 200, 0, 200, 200);
        view = MakeChild(L"Shell DocObject View", embedding, 0, 0, 200, 200);
        page = MakeChild(L"Internet Explorer_Server", view, 0, 0, 200, 200);
        testsupport::PumpFor(100);
        g_recorder = SetWindowsHookExW(WH_MOUSE, RecorderProc, nullptr, GetCurrentThreadId());
        ASSERT_NE(g_recorder, nullptr);
        control = std::make_unique<TEwbControl>(nullptr);
    }
    void TearDown() override {
        control.reset();
        if (g_recorder) UnhookWindowsHookEx(g_recorder);
        form.reset();
    }

    // Puts the cursor over a window, turns the wheel once and lets the
    // thread take the message.
    void WheelOver(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        testsupport::PumpFor(30);
        g_seen.clear();
        g_delivered = 0;
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = MOUSEEVENTF_WHEEL;
        input.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
        ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
        testsupport::PumpFor(100);
    }

    std::unique_ptr<ui::TForm> form;
    std::unique_ptr<TEwbControl> control;
    HWND field = nullptr, embedding = nullptr, view = nullptr, page = nullptr;
};

TEST_F(MouseWheelTest, TheWheelOverAPageWithoutTheFocusMovesTheFocusThereAndIsSwallowedOnce) {
    control->MouseWheelFix()->SetActive(true);
    ASSERT_NE(SharedHook->HookHandle.Get(), nullptr);
    struct Case {
        const char* name;
        HWND* focus;  // null: no window has the focus
        HWND* cursorOver;
        bool routed;
    };
    const Case cases[] = {
        {"focus in a text field, wheel over the page", &field, &page, true},
        {"focus on the browser's view window", &view, &page, true},
        {"focus already on the page", &page, &page, false},
        {"cursor over a window outside every browser", &page, &field, false},
        {"no focus", nullptr, &page, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFocus(c.focus ? *c.focus : nullptr);
        HWND before = GetFocus();
        WheelOver(*c.cursorOver);
        if (c.routed) {
            EXPECT_EQ(GetFocus(), page);
            EXPECT_EQ(SeenWheels(), 0);  // dropped before the later hooks
            EXPECT_EQ(g_delivered, 0);   // and before every window
            WheelOver(page);             // the next one scrolls the page
        } else {
            EXPECT_EQ(GetFocus(), before);
        }
        EXPECT_EQ(SeenWheels(), 1);
        EXPECT_EQ(g_delivered, 1);
    }
}

TEST_F(MouseWheelTest, TheWheelPathAsksTheHeapForNothing) {
    control->MouseWheelFix()->SetActive(true);
    struct Case {
        const char* name;
        HWND* focus;
        HWND* cursorOver;
        bool routed;
    };
    const Case cases[] = {
        {"the usual state: focus on the page, wheel over it", &page, &page, false},
        {"focus on the browser's view window", &view, &page, true},
        {"cursor over a window outside every browser", &field, &field, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFocus(*c.focus);
        RECT r;
        GetWindowRect(*c.cursorOver, &r);
        MOUSEHOOKSTRUCT info = {};
        info.pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        info.hwnd = *c.cursorOver;
        // Through the stub, as the platform calls it.
        g_allocations = 0;
        g_countAllocations = true;
        const LRESULT answer = SharedHook->HookCode()(HC_ACTION, WM_MOUSEWHEEL, reinterpret_cast<LPARAM>(&info));
        g_countAllocations = false;
        EXPECT_EQ(g_allocations, 0);
        EXPECT_EQ(answer == 2, c.routed);
        EXPECT_EQ(GetFocus(), c.routed ? page : *c.focus);
    }
}

TEST_F(MouseWheelTest, OtherMouseMessagesAndPeekedWheelsGoOnUntouched) {
    control->MouseWheelFix()->SetActive(true);
    SetFocus(field);
    RECT r;
    GetWindowRect(page, &r);
    SetCursorPos(r.left + 20, r.top + 20);
    testsupport::PumpFor(30);
    g_seen.clear();
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    input.mi.dx = 1;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
    testsupport::PumpFor(100);
    EXPECT_EQ(GetFocus(), field);
    bool moveSeen = false;
    for (const TSeen& s : g_seen) moveSeen |= s.message == WM_MOUSEMOVE;
    EXPECT_TRUE(moveSeen);

    // Looked at without being taken: the hook hears HC_NOREMOVE.
    g_seen.clear();
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.dx = 0;
    input.mi.mouseData = WHEEL_DELTA;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
    MSG msg;
    bool peeked = false;
    for (int i = 0; i < 200 && !peeked; ++i) {
        peeked = PeekMessageW(&msg, nullptr, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_NOREMOVE) != 0;
        if (!peeked) Sleep(10);
    }
    ASSERT_TRUE(peeked);
    EXPECT_GE(SeenWheels(HC_NOREMOVE), 1);
    EXPECT_EQ(GetFocus(), field);
}

TEST_F(MouseWheelTest, AHandlerThatHandlesTheWheelStopsTheRouting) {
    struct TSink {
        POINT point = {};
        HWND from = nullptr;
        int calls = 0;
        void OnWheel(POINT p, HWND h, int32_t, bool& handled) {
            point = p;
            from = h;
            ++calls;
            handled = true;
        }
    } sink;
    control->OnMouseWheel = TMouseWheelEvent::Of<&TSink::OnWheel>(&sink);
    control->BeginLoading();  // as read from a stored form
    control->EndLoading();
    control->MouseWheelFix()->SetActive(true);
    SetFocus(field);
    WheelOver(page);
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.from, page);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(sink.point.x, cursor.x);
    EXPECT_EQ(sink.point.y, cursor.y);
    EXPECT_EQ(GetFocus(), field);
    EXPECT_EQ(SeenWheels(), 1);
}

TEST_F(MouseWheelTest, ActiveFormOnlyRoutesOnlyOverTheActiveForm) {
    control->MouseWheelFix()->SetActive(true);
    control->MouseWheelFix()->SetActiveFormOnly(true);
    ASSERT_TRUE(SharedHook->ActiveFormOnly);
    ui::Application->SetActiveForm(nullptr);
    SetFocus(field);
    WheelOver(page);
    EXPECT_EQ(GetFocus(), field);
    EXPECT_EQ(SeenWheels(), 1);

    ui::Application->SetActiveForm(form.get());
    WheelOver(page);
    EXPECT_EQ(GetFocus(), page);
    EXPECT_EQ(SeenWheels(), 0);
}

MEMORY_BASIC_INFORMATION MemoryAt(void* address) {
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(address, &info, sizeof info);
    return info;
}

TEST_F(MouseWheelTest, OneSharedHookWhoseStubGoesWithItButStaysWhileThePlatformMayCallIt) {
    TMouseWheelFix* fix = control->MouseWheelFix();
    fix->SetActive(true);
    TEWBMouseHook* hook = SharedHook;
    ASSERT_NE(hook, nullptr);
    HHOOK handle = hook->HookHandle.Get();
    void* stub = reinterpret_cast<void*>(hook->HookCode());
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(MemoryAt(stub).Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));  // never writable once written
    fix->SetActive(true);
    EXPECT_EQ(HookRefCount, 1);
    EXPECT_EQ(hook->HookHandle.Get(), handle);

    // A second holder shares the installed hook; switching any off removes it.
    TEwbControl other(nullptr);
    other.MouseWheelFix()->SetActive(true);
    EXPECT_EQ(other.MouseWheelFix()->HookObject, hook);
    EXPECT_EQ(HookRefCount, 2);
    EXPECT_EQ(hook->HookHandle.Get(), handle);
    other.MouseWheelFix()->SetActive(false);
    EXPECT_EQ(hook->HookHandle.Get(), nullptr);
    EXPECT_EQ(static_cast<DWORD>(MemoryAt(stub).State), static_cast<DWORD>(MEM_FREE));
    fix->SetActive(false);
    EXPECT_EQ(fix->HookObject, nullptr);
    EXPECT_EQ(SharedHook, nullptr);
    EXPECT_EQ(HookRefCount, 0);
    SetFocus(field);
    WheelOver(page);
    EXPECT_EQ(GetFocus(), field);

    // When the platform will not remove the hook, the stub stays.
    fix->SetActive(true);
    stub = reinterpret_cast<void*>(SharedHook->HookCode());
    ASSERT_TRUE(UnhookWindowsHookEx(SharedHook->HookHandle.Get()));  // its handle is now one the platform refuses
    fix->SetActive(false);
    EXPECT_EQ(SharedHook, nullptr);
    EXPECT_EQ(static_cast<DWORD>(MemoryAt(stub).State), static_cast<DWORD>(MEM_COMMIT));
}

// The class test the wheel path and the host's look-ups share: the exact
// name, however long, and the walk from the parent up.
TEST(WindowClassTest, AClassIsItsExactNameAndTheWalkStartsAtTheParent) {
    const std::wstring longest(255, L'w');  // the longest name a class atom holds
    ui::TForm form(nullptr);
    HWND outer = MakeChild(L"Shell Embedding", form.Handle(), 0, 0, 100, 100);
    HWND middle = MakeChild(longest.c_str(), outer, 0, 0, 100, 100);
    HWND inner = MakeChild(L"Shell Embedding", middle, 0, 0, 100, 100);
    ASSERT_TRUE(outer && middle && inner);
    struct Case {
        const char* what;
        std::wstring name;
        HWND window;  // of the class, when it matches
        HWND parent;  // from inner up
    };
    const Case cases[] = {
        {"the exact name", L"Shell Embedding", inner, outer},
        {"another case", L"shell embedding", nullptr, nullptr},
        {"a prefix of the class", L"Shell Embed", nullptr, nullptr},
        {"the class a prefix of the name", L"Shell EmbeddingX", nullptr, nullptr},
        {"the longest name", longest, middle, middle},
        {"the longest name but one letter", longest.substr(1), nullptr, nullptr},
        {"longer than any class", longest + L"w", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (HWND w : {inner, middle}) EXPECT_EQ(HasWindowClass(w, c.name.c_str()), w == c.window);
        EXPECT_EQ(ParentWindowOfClass(inner, c.name.c_str()), c.parent);
    }
}

}  // namespace
