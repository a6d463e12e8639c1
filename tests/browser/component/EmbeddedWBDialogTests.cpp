// The engine's dialog boxes as the owner hook meets them: real message
// boxes (class "#32770") and windows of other classes, owned by a form
// shaped like the launcher's, with what each window shows read back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"
#include "support/StandInDocument.h"
#include "support/BrowserForm.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInRegistration;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::TBrowserForm;

namespace {

struct TSpied {
    HWND Window;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

// Every message of interest sent or posted to a window of this thread.
std::vector<TSpied> g_spied;
HWND g_lastBox = nullptr;  // the last message box that any of them went to
HHOOK g_sentHook = nullptr, g_postedHook = nullptr;

void Spy(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    wchar_t cls[32] = {};
    if (GetClassNameW(window, cls, 32) && std::wstring(cls) == L"#32770") g_lastBox = window;
    switch (msg) {
    case WM_CLOSE:
    case WM_SETICON:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_DESTROY:
        g_spied.push_back({window, msg, wParam, lParam});
    }
}
LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION) Spy(m->hwnd, m->message, m->wParam, m->lParam);
    return CallNextHookEx(g_sentHook, code, wParam, lParam);
}
LRESULT CALLBACK PostedHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE) Spy(m->hwnd, m->message, m->wParam, m->lParam);
    return CallNextHookEx(g_postedHook, code, wParam, lParam);
}

std::vector<UINT> MessagesTo(HWND window) {
    std::vector<UINT> out;
    for (const TSpied& s : g_spied)
        if (s.Window == window) out.push_back(s.Msg);
    return out;
}

// What a shown message box was while it was open, if it still was when a
// timer of the box's own loop came to look.
struct TBoxSeen {
    HWND Window = nullptr;
    bool StayedOpen = false;
    std::wstring Caption;
    HICON SmallIcon = nullptr;
};
TBoxSeen g_box;

BOOL CALLBACK FindBox(HWND window, LPARAM) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (std::wstring(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    g_box.Window = window;
    return FALSE;
}

void CALLBACK LookAtBox(HWND, UINT, UINT_PTR, DWORD) {
    g_box.Window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, 0);
    if (!g_box.Window || g_box.StayedOpen) return;
    g_box.StayedOpen = true;
    g_box.Caption = WindowText(g_box.Window);
    g_box.SmallIcon = reinterpret_cast<HICON>(SendMessageW(g_box.Window, WM_GETICON, ICON_SMALL, 0));
    PostMessageW(g_box.Window, WM_COMMAND, IDOK, 0);
}

// A window that stays when asked to close, so that what follows can be
// seen on it.
LRESULT CALLBACK KeepOpenWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return msg == WM_CLOSE ? 0 : DefWindowProcW(window, msg, wParam, lParam);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(OwnerHooked);
        g_spied.clear();
        g_lastBox = nullptr;
        g_sentHook = SetWindowsHookExW(WH_CALLWNDPROC, &SentHook, nullptr, GetCurrentThreadId());
        g_postedHook = SetWindowsHookExW(WH_GETMESSAGE, &PostedHook, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        forms.clear();
        UnhookWindowsHookEx(g_sentHook);
        UnhookWindowsHookEx(g_postedHook);
        EXPECT_FALSE(OwnerHooked);
    }
    TBrowserForm& Build(std::function<void(TEmbeddedWB&)> configure = nullptr) {
        forms.emplace_back(new TBrowserForm(configure));
        TBrowserForm& form = *forms.back();
        form.Show();
        SetForegroundWindow(form.Handle());
        SetActiveWindow(form.Handle());
        PumpFor(50);
        return form;
    }
    // Shows a message box owned by the form and answers what it was.
    TBoxSeen ShowBox(TBrowserForm& form, const wchar_t* caption) {
        g_box = TBoxSeen();
        UINT_PTR timer = SetTimer(nullptr, 0, 300, &LookAtBox);
        MessageBoxW(form.Handle(), L"A message of the page", caption, MB_OK);
        KillTimer(nullptr, timer);
        return g_box;
    }
    HWND LastBox() { return g_lastBox; }

    TStandInRegistration registration;
    std::vector<std::unique_ptr<TBrowserForm>> forms;
};

}  // namespace

TEST_F(DialogTest, MessageBoxesAreRecaptionedClosedOrDestroyedAsTheOptionsSay) {
    struct TCase {
        const char* name;
        const wchar_t* caption;
        std::function<void(TEmbeddedWB&)> configure;
        bool stayedOpen;
        const wchar_t* captionSeen;  // while it stayed open
        std::vector<UINT> messages;  // those of interest, in order
    } cases[] = {
        {"branded", L"Microsoft Internet Explorer", [](TEmbeddedWB& b) { b.DialogBoxes().NewCaption = L"Game Launcher"; },
         true, L"Game Launcher", {WM_SETICON, WM_DESTROY}},
        {"script, any case", L"Page sCrIpT problem", nullptr, false, nullptr,
         {WM_SETICON, WM_CLOSE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_DESTROY}},
        {"error", L"An Error on the page", nullptr, false, nullptr, {WM_SETICON, WM_DESTROY}},
        {"all disabled", L"Hello", [](TEmbeddedWB& b) { b.DialogBoxes().DisableAll = true; }, false, nullptr,
         {WM_CLOSE, WM_SETICON, WM_DESTROY}},
        {"script errors not suppressed", L"Page script problem",
         [](TEmbeddedWB& b) { b.DisableErrors().ScriptErrorsSuppressed = false; }, true, L"Page script problem",
         {WM_SETICON, WM_DESTROY}},
        {"neither caption nor icon", L"Microsoft Internet Explorer",
         [](TEmbeddedWB& b) {
             b.DialogBoxes().ReplaceCaption = false;
             b.DialogBoxes().ReplaceIcon = false;
         },
         true, L"Microsoft Internet Explorer", {WM_DESTROY}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TBrowserForm& form = Build(c.configure);
        ASSERT_TRUE(OwnerHooked);
        g_spied.clear();
        TBoxSeen seen = ShowBox(form, c.caption);
        EXPECT_EQ(seen.StayedOpen, c.stayedOpen);
        if (c.stayedOpen) {
            EXPECT_EQ(seen.Caption, c.captionSeen);
            if (form.Browser->DialogBoxes().ReplaceIcon) {
                EXPECT_EQ(seen.SmallIcon, Application->Icon());
            }
        }
        EXPECT_EQ(MessagesTo(LastBox()), c.messages);
        forms.clear();
        g_spied.clear();
    }
}

TEST_F(DialogTest, OnShowDialogChangesTheOptionsThemselves) {
    struct THandler {
        HWND reported = nullptr;
        std::string oldCaption;
        void Show(TObject*, HWND h, int32_t, const std::string& old, std::wstring& caption, bool& cancel) {
            reported = h;
            oldCaption = old;
            caption = L"From the handler";
            cancel = true;
        }
    } handler;
    TBrowserForm& form = Build([&](TEmbeddedWB& b) { b.OnShowDialog = TShowDialogEvent::Of<&THandler::Show>(&handler); });
    TBoxSeen seen = ShowBox(form, L"Microsoft Internet Explorer");
    EXPECT_FALSE(seen.StayedOpen);
    HWND box = LastBox();
    EXPECT_EQ(handler.reported, box);
    EXPECT_EQ(handler.oldCaption, "Microsoft Internet Explorer");
    EXPECT_EQ(form.Browser->DialogBoxes().NewCaption, L"From the handler");
    EXPECT_TRUE(form.Browser->DialogBoxes().DisableAll);
    EXPECT_EQ(MessagesTo(box), (std::vector<UINT>{WM_CLOSE, WM_SETICON, WM_DESTROY}));
}

TEST_F(DialogTest, WindowsOfOtherClassesAreNeverTouchedButTheEnginesHtmlDialogFrameIs) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &KeepOpenWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Internet Explorer_TridentDlgFrame";
    RegisterClassW(&wc);
    wc.lpszClassName = L"TSomeWindow";
    RegisterClassW(&wc);
    TBrowserForm& form = Build([](TEmbeddedWB& b) {
        b.DialogBoxes().DisableAll = true;
        b.DialogBoxes().NewCaption = L"Game";
    });
    for (const wchar_t* cls : {L"TSomeWindow", L"Internet Explorer_TridentDlgFrame"}) {
        SCOPED_TRACE(WideToAnsi(cls));
        g_spied.clear();
        HWND window = CreateWindowExW(0, cls, L"Microsoft Internet Explorer script error", WS_OVERLAPPEDWINDOW,
                                      10, 10, 200, 100, form.Handle(), nullptr, wc.hInstance, nullptr);
        ShowWindow(window, SW_SHOW);
        SetActiveWindow(window);
        PumpFor(50);
        const bool watched = std::wstring(cls) != L"TSomeWindow";
        EXPECT_EQ(WindowText(window), watched ? L"Game script error" : L"Microsoft Internet Explorer script error");
        if (watched)
            EXPECT_EQ(MessagesTo(window),
                      (std::vector<UINT>{WM_CLOSE, WM_SETICON, WM_CLOSE, WM_LBUTTONDOWN, WM_LBUTTONUP}));
        else
            EXPECT_TRUE(MessagesTo(window).empty());
        DestroyWindow(window);
        SetActiveWindow(form.Handle());
        PumpFor(20);
    }
}

namespace {
struct TOtherThreadsDialog {
    HWND window = nullptr;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    static DWORD WINAPI Run(void* self) {
        auto* d = static_cast<TOtherThreadsDialog*>(self);
        d->window = CreateWindowExW(0, L"#32770", L"Microsoft Internet Explorer script error", WS_OVERLAPPEDWINDOW,
                                    10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
        SetEvent(d->ready);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        DestroyWindow(d->window);
        return 0;
    }
};
}  // namespace

TEST_F(DialogTest, ADialogBoxOfAnotherThreadIsNeverTouched) {
    TBrowserForm& form = Build([](TEmbeddedWB& b) {
        b.DialogBoxes().DisableAll = true;
        b.DialogBoxes().NewCaption = L"Game";
    });
    TOtherThreadsDialog other;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &TOtherThreadsDialog::Run, &other, 0, &threadId);
    ASSERT_EQ(WaitForSingleObject(other.ready, 5000), WAIT_OBJECT_0);
    // What the form hears when another program's dialog box takes the
    // activation.
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other.window));
    EXPECT_EQ(WindowText(other.window), L"Microsoft Internet Explorer script error");
    EXPECT_TRUE(IsWindow(other.window));
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(other.ready);
}

namespace {
bool g_formHadItsOwnProcedure = false;
std::wstring g_boxCaptionAfter;
// An engine that opens a dialog box while it zooms: the form hears that the
// box takes the activation.
void OpenDialogOverForm(void* context) {
    auto* form = static_cast<TForm*>(context);
    g_formHadItsOwnProcedure = form->WindowProc == TWndMethod::Of<&TWinControl::WndProc>(static_cast<TWinControl*>(form));
    HWND box = CreateWindowExW(0, L"#32770", L"Microsoft Internet Explorer", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
    SendMessageW(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(box));
    g_boxCaptionAfter = WindowText(box);
    DestroyWindow(box);
}
}  // namespace

TEST_F(DialogTest, ADialogTheEngineOpensAsTheComponentGoesMeetsTheFormsOwnProcedure) {
    TBrowserForm& form = Build();
    StandInDocumentState document = {};
    document.zoomRange = 0 | 4 << 16;
    document.onZoom = &OpenDialogOverForm;
    document.onZoomContext = &form;
    registration.Last()->LoadDocument(StandInDocument_Create(&document));
    form.Browser->VisualEffects().TextSize = 4;  // the destructor zooms back to 2
    ASSERT_TRUE(OwnerHooked);
    delete form.Browser;
    form.Browser = nullptr;
    EXPECT_EQ(document.zoomCalls, 1);
    // Not the hook, whose options are gone by then.
    EXPECT_TRUE(g_formHadItsOwnProcedure);
    EXPECT_EQ(g_boxCaptionAfter, L"Microsoft Internet Explorer");
    EXPECT_FALSE(OwnerHooked);
    registration.Last()->document.Reset();  // before the state it keeps goes
    VariantClear(&document.lastZoomIn);
}

TEST_F(DialogTest, OnlyTheFirstOfTwoComponentsHooksAndEitherGoingClearsTheFlag) {
    TBrowserForm& first = Build();
    const TWndMethod firstsOwn = TWndMethod::Of<&TEmbeddedWB::OwnerWindowProc>(first.Browser);
    EXPECT_TRUE(first.WindowProc == firstsOwn);
    EXPECT_TRUE(OwnerHooked);
    forms.emplace_back(new TBrowserForm(nullptr));
    TBrowserForm& second = *forms.back();
    EXPECT_TRUE(second.WindowProc == TWndMethod::Of<&TWinControl::WndProc>(static_cast<TWinControl*>(&second)));

    forms.pop_back();  // the second goes: the flag is cleared, the first form keeps its hook
    EXPECT_FALSE(OwnerHooked);
    EXPECT_TRUE(first.WindowProc == firstsOwn);
    TBoxSeen seen = ShowBox(first, L"Microsoft Internet Explorer");
    EXPECT_EQ(seen.Caption, L"");  // still watched: "Internet Explorer" replaced by the empty caption

    // The first then gives its form the procedure back, though the flag
    // is already down: the form never calls a component that is gone.
    delete first.Browser;
    first.Browser = nullptr;
    EXPECT_TRUE(first.WindowProc == TWndMethod::Of<&TWinControl::WndProc>(static_cast<TWinControl*>(&first)));
    SendMessageW(first.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
}

TEST_F(DialogTest, DialogCharactersNeverReachTheHookedForm) {
    TBrowserForm& form = Build();
    form.seen.clear();
    SendMessageW(form.Handle(), CM_DIALOGCHAR, 'A', 0);
    SendMessageW(form.Handle(), CM_BASE + 0x50, 0, 0);
    EXPECT_EQ(form.seen, std::vector<UINT>{CM_BASE + 0x50});
}
