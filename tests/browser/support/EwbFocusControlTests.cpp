// Focus control with real windows: what the application window's hook posts
// when the application is activated.
#include <gtest/gtest.h>

#include <memory>

#include "browser/support/EwbControlComponent.h"
#include "browser/support/EwbFocusControl.h"
#include "framework/Forms.h"
#include "support/WineTestSupport.h"

using namespace ewb;

namespace {

// A control reporting a given class name that counts the focus requests it
// receives.
class TNamedControl : public ui::TWinControl {
public:
    TNamedControl(ui::TComponent* owner, const char* name) : ui::TWinControl(owner), name_(name) {}
    const char* ClassName() const override { return name_; }
    void WndProc(ui::TMessage& message) override {
        if (message.Msg == WM_BROWSERFOCUS) {
            ++requests;
            lastWParam = message.WParam;
            lastReceiver = this;
        }
        ui::TWinControl::WndProc(message);
    }
    // Requests received by any of them.
    static int requests;
    static WPARAM lastWParam;
    static TNamedControl* lastReceiver;

private:
    const char* name_;
};

int TNamedControl::requests = 0;
WPARAM TNamedControl::lastWParam = 0;
TNamedControl* TNamedControl::lastReceiver = nullptr;

// The class focus control is told is the browser's, and one derived from it.
class TBrowserControl : public TNamedControl {
public:
    using TNamedControl::TNamedControl;
};
class TDerivedBrowserControl : public TBrowserControl {
public:
    using TBrowserControl::TBrowserControl;
};

class FocusControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new ui::TForm(nullptr);
        form->SetBounds(80, 80, 400, 300);
        BrowserClass = &typeid(TBrowserControl);
        browser = Child<TBrowserControl>("TEmbeddedWB", 0);
        derived = Child<TDerivedBrowserControl>("TEmbeddedWBPlus", 100);
        other = Child<TNamedControl>("TWinControl", 200);
        namesake = Child<TNamedControl>("TEmbeddedWB", 300);
        inside = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, browser->Handle(), nullptr,
                                 nullptr, nullptr);
        form->Show();
        SetForegroundWindow(form->Handle());
        testsupport::PumpFor(100);
        ASSERT_EQ(GetActiveWindow(), form->Handle());
        hooksBefore = ui::Application->HookCount();
        control = std::make_unique<TEwbControl>(nullptr);
        control->FocusControl()->SetActive(true);
    }
    void TearDown() override {
        control.reset();
        delete form;
        BrowserClass = nullptr;
    }
    template <typename C>
    TNamedControl* Child(const char* name, int left) {
        auto* c = new C(form, name);
        c->SetParent(form);
        c->SetBounds(left, 0, 90, 90);
        return c;
    }
    // The requests the browser received since the last look, the queued
    // ones delivered first; the last one's wParam.
    int TakeRequests(WPARAM* wParam = nullptr) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_BROWSERFOCUS, WM_BROWSERFOCUS, PM_REMOVE)) DispatchMessageW(&msg);
        int n = TNamedControl::requests;
        if (n) {
            EXPECT_EQ(TNamedControl::lastReceiver, browser);
        }
        if (wParam) *wParam = TNamedControl::lastWParam;
        TNamedControl::requests = 0;
        return n;
    }

    ui::TForm* form = nullptr;
    TNamedControl *browser = nullptr, *derived = nullptr, *other = nullptr, *namesake = nullptr;
    HWND inside = nullptr;
    int hooksBefore = 0;
    std::unique_ptr<TEwbControl> control;
};

TEST_F(FocusControlTest, ABrowserThatIsTheActiveControlWithoutTheFocusIsAskedToTakeIt) {
    EXPECT_EQ(ui::Application->HookCount(), hooksBefore + 1);
    struct Case {
        const char* name;
        TNamedControl* active;
        HWND focus;
        int requests;
    };
    const Case cases[] = {
        {"focus outside the browser", browser, form->Handle(), 1},
        {"focus on a window inside the browser", browser, inside, 1},
        {"focus on the browser's own window", browser, browser->Handle(), 0},
        {"another kind of control is active", other, form->Handle(), 0},
        {"a class derived under another name", derived, form->Handle(), 0},
        {"another class under the browser's name", namesake, form->Handle(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->FocusChanged(c.active);
        SetFocus(c.focus);
        TakeRequests();
        for (UINT msg : {static_cast<UINT>(ui::CM_ACTIVATE), static_cast<UINT>(WM_WINDOWPOSCHANGING)}) {
            SendMessageW(ui::Application->Handle(), msg, 0, 0);
            WPARAM wParam = 0;
            EXPECT_EQ(TakeRequests(&wParam), c.requests);
            if (c.requests) {
                EXPECT_EQ(wParam, reinterpret_cast<WPARAM>(browser));
            }
        }
        SendMessageW(ui::Application->Handle(), WM_NULL, 0, 0);  // not watched
        EXPECT_EQ(TakeRequests(), 0);
    }
    ui::Application->SetActiveForm(nullptr);
    form->FocusChanged(browser);
    SetFocus(form->Handle());
    SendMessageW(ui::Application->Handle(), ui::CM_ACTIVATE, 0, 0);
    EXPECT_EQ(TakeRequests(), 0);
}

struct TOtherProgram {
    HWND* window;
    HANDLE ready;
};
DWORD WINAPI OtherProgram(void* p) {
    auto* a = static_cast<TOtherProgram*>(p);
    *a->window = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 100, 200, 150,
                                 nullptr, nullptr, nullptr, nullptr);
    SetEvent(a->ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

TEST_F(FocusControlTest, SwitchingToAnotherProgramAndBackPostsTheRequest) {
    // A window of another thread stands for the other program.
    HWND otherWindow = nullptr;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TOtherProgram args = {&otherWindow, ready};
    HANDLE thread = CreateThread(nullptr, 0, OtherProgram, &args, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    // Coming back, the form gives the focus to its active control; the page
    // window inside the browser takes it at once, as the engine's does.
    struct TPage {
        HWND window;
        bool Hook(ui::TMessage& message) {
            if (message.Msg == ui::CM_ACTIVATE) SetFocus(window);
            return false;
        }
    } page = {inside};
    control->FocusControl()->SetActive(false);
    ui::Application->HookMainWindow(ui::TWindowHook::Of<&TPage::Hook>(&page));
    control->FocusControl()->SetActive(true);
    form->FocusChanged(browser);
    SetFocus(inside);
    SetForegroundWindow(otherWindow);
    testsupport::PumpFor(200);
    TakeRequests();
    SetForegroundWindow(form->Handle());
    WPARAM wParam = 0;
    int requests = 0;
    testsupport::PumpUntil([&] { return (requests += TakeRequests(&wParam)) > 0; }, 2000);
    EXPECT_GE(requests, 1);
    EXPECT_EQ(wParam, reinterpret_cast<WPARAM>(browser));
    ui::Application->UnhookMainWindow(ui::TWindowHook::Of<&TPage::Hook>(&page));
    PostMessageW(otherWindow, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(ready);
}

TEST_F(FocusControlTest, NothingIsPostedWhileTheApplicationIsTerminating) {
    form->FocusChanged(browser);
    SetFocus(form->Handle());
    ui::Application->Terminate();
    ui::Application->ProcessMessages();
    ASSERT_TRUE(ui::Application->Terminated());
    SendMessageW(ui::Application->Handle(), ui::CM_ACTIVATE, 0, 0);
    EXPECT_EQ(TakeRequests(), 0);
}

TEST_F(FocusControlTest, SwitchingOffFreesTheInstanceAndUnregistersTheHook) {
    control->FocusControl()->SetActive(true);  // once more: still one hook
    EXPECT_EQ(ui::Application->HookCount(), hooksBefore + 1);
    ASSERT_NE(AppHookWindow, nullptr);
    EXPECT_TRUE(AppHookWindow->Hooked);
    control->FocusControl()->SetActive(false);
    EXPECT_EQ(ui::Application->HookCount(), hooksBefore);
    EXPECT_EQ(AppHookWindow, nullptr);
    EXPECT_EQ(FocusControlInstance, nullptr);
    form->FocusChanged(browser);
    SetFocus(form->Handle());
    SendMessageW(ui::Application->Handle(), ui::CM_ACTIVATE, 0, 0);
    EXPECT_EQ(TakeRequests(), 0);
}

}  // namespace
