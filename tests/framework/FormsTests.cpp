#include <gtest/gtest.h>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "support/WineTestSupport.h"

using namespace ui;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::TDialogWatcher;

namespace {

// A form built like the launcher's: fixed single border, no maximise box,
// 640 x 480 client area, two children aligned to the whole client area.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner, int designTextHeight = 13, bool failInCreate = false)
        : TForm(owner), designTextHeight_(designTextHeight), failInCreate_(failInCreate) {
        LoadDefinition();
    }
    const char* ClassName() const override { return "TTestForm"; }

    TMemo* First = nullptr;
    TMemo* Second = nullptr;
    bool hiddenInCreate = false;
    bool childrenBuiltInCreate = false;
    bool handleInCreate = false;
    int createCalls = 0;
    int closeCalls = 0;

    void FormCreate(TObject*) {
        ++createCalls;
        hiddenInCreate = !IsWindowVisible(Handle());
        childrenBuiltInCreate = First && Second && !First->IsLoading() && !Second->IsLoading();
        if (failInCreate_) throw Exception("Cannot read the configuration");
    }
    void FormClose(TObject*, TCloseAction&) { ++closeCalls; }

protected:
    void ReadDefinition() override {
        SetBorderIcons(biSystemMenu | biMinimize);
        SetBorderStyle(bsSingle);
        SetCaption(L"Test form");
        SetClientHeight(480);
        SetClientWidth(640);
        SetPosition(poDesktopCenter);
        SetPixelsPerInch(96);
        SetTextHeight(designTextHeight_);
        OnCreate = TNotifyEvent::Of<&TTestForm::FormCreate>(this);
        OnClose = TCloseEvent::Of<&TTestForm::FormClose>(this);

        First = new TMemo(this);
        First->SetParent(this);
        First->SetBounds(0, 0, 640, 480);
        First->SetAlign(alClient);
        handleBeforeLine_ = HandleAllocated();
        First->Lines().Add("First");
        handleAfterLine_ = HandleAllocated();
        First->SetTabOrder(0);

        Second = new TMemo(this);
        Second->SetParent(this);
        Second->SetBounds(0, 0, 320, 200);
        Second->SetTabOrder(1);
    }

public:
    bool handleBeforeLine_ = true;
    bool handleAfterLine_ = false;

private:
    int designTextHeight_;
    bool failInCreate_;
};

bool WaitForFocusIn(HWND window) {
    return PumpUntil([&] { return GetFocus() == window; }, 5000);
}

}  // namespace

TEST(Forms, StoringAMemoLineCreatesTheParentWindowFirst) {
    TTestForm form(nullptr);
    EXPECT_FALSE(form.handleBeforeLine_);
    EXPECT_TRUE(form.handleAfterLine_);
    ASSERT_TRUE(form.First->HandleAllocated());
    EXPECT_EQ(GetParent(form.First->Handle()), form.Handle());
    EXPECT_EQ(form.First->Lines().Count(), 1);
    EXPECT_EQ(form.First->Lines()[0], "First");
    EXPECT_FALSE(form.Second->HandleAllocated());  // no line stored, not shown yet
}

TEST(Forms, CreationHandlerRunsOnceAfterTheWholeDefinitionWithTheWindowHidden) {
    TTestForm form(nullptr);
    EXPECT_EQ(form.createCalls, 1);
    EXPECT_TRUE(form.childrenBuiltInCreate);
    EXPECT_TRUE(form.hiddenInCreate);
}

TEST(Forms, FixedSingleBorderWithoutMaximiseAndTheClientSizeAsDefined) {
    TTestForm form(nullptr);
    form.Show();
    HWND window = form.Handle();
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_EQ(GetWindow(window, GW_OWNER), Application->Handle());

    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);

    // The aligned child fills the client area; the other keeps its bounds.
    RECT child;
    GetWindowRect(form.First->Handle(), &child);
    EXPECT_EQ(child.right - child.left, 640);
    EXPECT_EQ(child.bottom - child.top, 480);
    EXPECT_EQ(form.Second->Width(), 320);

    // The later child lies above, although the first one's window was made
    // first and the second one's only when the form was shown.
    EXPECT_EQ(GetWindow(window, GW_CHILD), form.Second->Handle());
    EXPECT_EQ(GetWindow(form.Second->Handle(), GW_HWNDNEXT), form.First->Handle());
}

namespace {
bool IsCentredOnTheVirtualScreen(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r.left == (GetSystemMetrics(SM_CXVIRTUALSCREEN) - (r.right - r.left)) / 2 &&
           r.top == (GetSystemMetrics(SM_CYVIRTUALSCREEN) - (r.bottom - r.top)) / 2;
}
}  // namespace

TEST(Forms, CentredOnTheVirtualScreenFromItsCreationAndAtTheFirstShowing) {
    TTestForm form(nullptr);
    // Made centred while hidden, so that the showing need not move it.
    ASSERT_TRUE(form.HandleAllocated());
    EXPECT_TRUE(IsCentredOnTheVirtualScreen(form.Handle()));
    form.Show();
    EXPECT_TRUE(IsCentredOnTheVirtualScreen(form.Handle()));

    // Only the first showing centres.
    form.Hide();
    SetWindowPos(form.Handle(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form.Show();
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);

    // Moved before it was first shown: the showing centres it all the same.
    TTestForm moved(nullptr);
    moved.SetBounds(10, 20, moved.Width(), moved.Height());
    moved.Show();
    EXPECT_TRUE(IsCentredOnTheVirtualScreen(moved.Handle()));
}

TEST(Forms, SizesFollowTheMeasuredTextHeightAgainstTheDesignOne) {
    TTestForm probe(nullptr);
    int measured = probe.MeasureTextHeight();
    ASSERT_GT(measured, 0);

    // Designed where a line was twice as high: everything halves.
    TTestForm form(nullptr, measured * 2);
    EXPECT_EQ(form.ClientWidth(), 320);
    EXPECT_EQ(form.ClientHeight(), 240);
    EXPECT_EQ(form.Second->Width(), 160);
    EXPECT_EQ(form.Second->Height(), 100);

    // Designed with this screen's text height: nothing changes.
    TTestForm same(nullptr, measured);
    EXPECT_EQ(same.ClientWidth(), 640);
    EXPECT_EQ(same.ClientHeight(), 480);
}

TEST(Forms, ActivationFocusesTheFirstVisibleEnabledChildInTabOrder) {
    {
        TTestForm form(nullptr);
        form.Show();
        SetForegroundWindow(form.Handle());
        EXPECT_TRUE(WaitForFocusIn(form.First->Handle()));
        EXPECT_EQ(form.ActiveControl(), form.First);
    }
    {
        // With the tab order turned round, the second one wins.
        TTestForm form(nullptr);
        form.Second->SetTabOrder(0);
        form.Show();
        SetForegroundWindow(form.Handle());
        EXPECT_TRUE(WaitForFocusIn(form.Second->Handle()));
    }
    {
        // A disabled first child is passed over.
        TTestForm form(nullptr);
        form.First->SetEnabled(false);
        form.Show();
        SetForegroundWindow(form.Handle());
        EXPECT_TRUE(WaitForFocusIn(form.Second->Handle()));
    }
}

TEST(Forms, TheFirstShowingActivatesTheFormAndItsFirstChildTakesTheFocus) {
    TTestForm form(nullptr);
    form.Show();  // nothing but the showing activates it
    EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == form.Handle(); }, 3000));
    EXPECT_TRUE(WaitForFocusIn(form.First->Handle()));
    EXPECT_EQ(form.ActiveControl(), form.First);
}

TEST(Forms, TheActiveControlMovesTheFocusOnlyWhenItChangesAndIsForgottenWhenItGoes) {
    TTestForm form(nullptr);
    form.Show();
    SetForegroundWindow(form.Handle());
    ASSERT_TRUE(WaitForFocusIn(form.First->Handle()));
    // Made active again, the active control is left as it is: the focus
    // stays where it went meanwhile.
    SetFocus(form.Handle());
    form.SetActiveControl(form.First);
    EXPECT_EQ(GetFocus(), form.Handle());
    form.SetActiveControl(form.Second);
    EXPECT_EQ(GetFocus(), form.Second->Handle());
    // The active control goes: the form forgets it, and the next activation
    // gives the focus to the first child.
    delete form.Second;
    form.Second = nullptr;
    EXPECT_EQ(form.ActiveControl(), nullptr);
    SetFocus(form.Handle());
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), form.First->Handle());
}

TEST(Forms, AnErrorInTheCreationHandlerShowsOneBoxAndTheFormStillOpens) {
    TDialogWatcher watcher;
    TTestForm form(nullptr, 13, true);
    EXPECT_EQ(form.createCalls, 1);
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    PumpFor(100);
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Caption, Application->Title());
    EXPECT_EQ(seen[0].Text, "Cannot read the configuration.");
}

TEST(Forms, ClosingTheMainFormRunsItsHandlerAndEndsTheLoop) {
    TTestForm form(nullptr);
    TCustomForm* previous = Application->MainForm();
    Application->SetMainForm(&form);
    form.Show();
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.closeCalls, 1);
    EXPECT_TRUE(IsWindow(form.Handle()));  // the window stays until the application ends
    MSG msg;
    bool quit = false;
    for (int i = 0; i < 100 && !quit; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            else DispatchMessageW(&msg);
        }
        if (!quit) Sleep(10);
    }
    EXPECT_TRUE(quit);
    Application->SetMainForm(previous);
}

namespace {
// A component that puts its own window procedure in front of a control's.
struct TWindowProcSpy {
    TWinControl* control;
    TWndMethod saved;
    std::vector<UINT> seen;
    UINT counted = 0;  // a message counted and passed on
    int count = 0;
    void Install() {
        saved = control->WindowProc;
        control->WindowProc = TWndMethod::Of<&TWindowProcSpy::Proc>(this);
    }
    void Proc(TMessage& message) {
        if (message.Msg == counted) ++count;
        if (message.Msg == WM_USER + 11) {
            seen.push_back(message.Msg);
            message.Result = 5;
            return;
        }
        saved(message);
    }
};
}  // namespace

TEST(Controls, AReplacedWindowProcedureSeesMessagesFirstAndPassesTheRestOn) {
    TTestForm form(nullptr);
    TWindowProcSpy spy{form.First, {}, {}};
    spy.Install();
    EXPECT_EQ(SendMessageW(form.First->Handle(), WM_USER + 11, 0, 0), 5);
    EXPECT_EQ(spy.seen.size(), 1u);
    // What it passes on still reaches the text field's own class.
    SendMessageW(form.First->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed"));
    EXPECT_EQ(form.First->Lines()[0], "changed");
    form.First->WindowProc = spy.saved;
    EXPECT_EQ(SendMessageW(form.First->Handle(), WM_USER + 11, 0, 0), 0);
    EXPECT_EQ(spy.seen.size(), 1u);
}

TEST(Controls, OnlyASizeChangeLaysTheAlignedChildrenOutAgain) {
    TTestForm form(nullptr);
    form.Show();
    TWindowProcSpy spy{form.First, {}, {}, WM_WINDOWPOSCHANGING};
    spy.Install();
    const struct {
        const char* what;
        int dx, dy, dw, dh;
        bool childMoves;
    } rows[] = {
        {"the same bounds", 0, 0, 0, 0, false},
        {"moved", 15, 25, 0, 0, false},
        {"resized", 0, 0, -40, -30, true},
    };
    for (const auto& row : rows) {
        spy.count = 0;
        form.SetBounds(form.Left() + row.dx, form.Top() + row.dy, form.Width() + row.dw, form.Height() + row.dh);
        EXPECT_EQ(spy.count > 0, row.childMoves) << row.what;
        RECT child;
        GetWindowRect(form.First->Handle(), &child);
        EXPECT_EQ(child.right - child.left, form.ClientWidth()) << row.what;
        EXPECT_EQ(child.bottom - child.top, form.ClientHeight()) << row.what;
    }
    form.First->WindowProc = spy.saved;
}

TEST(Controls, AWindowOfAnotherProgramOfThisFrameworkIsNoControlHere) {
    testsupport::TTempFolder folder;
    const std::string exe = folder.Path() + "launcher.exe";
    ASSERT_TRUE(CopyFileA(testsupport::WindowsPathOf(LAUNCHER_EXE).c_str(), exe.c_str(), FALSE));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder.Path().c_str(), &si, &process));
    HWND window = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (window = testsupport::FindVisibleWindowOf(process.dwProcessId, "TFormMain")); },
                          30000));
    if (window) {
        // Its window carries the property by the same name, with an address
        // of that process as its value.
        EXPECT_NE(GetPropW(window, L"ui.TWinControl"), nullptr);
        EXPECT_EQ(TWinControl::FindControl(window), nullptr);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // A window of this process is found as before.
    TTestForm form(nullptr);
    EXPECT_EQ(TWinControl::FindControl(form.First->Handle()), form.First);
}

TEST(Controls, AMovedControlKeepsItsTextInTheNewWindow) {
    TTestForm first(nullptr), second(nullptr);
    TMemo* memo = first.First;
    memo->Lines().Assign(std::vector<std::string>{"one", "two"});
    HWND old = memo->Handle();
    memo->SetParent(&second);
    EXPECT_FALSE(IsWindow(old));
    ASSERT_TRUE(memo->HandleAllocated());
    EXPECT_EQ(GetParent(memo->Handle()), second.Handle());
    ASSERT_EQ(memo->Lines().Count(), 2);
    EXPECT_EQ(memo->Lines()[1], "two");
}

namespace {
// Children that note their after-load notification and what existed then.
class TLoadNoting : public TWinControl {
public:
    TLoadNoting(TComponent* owner, std::vector<std::string>& log) : TWinControl(owner), log_(log) {}
    void Loaded() override { log_.push_back(Name() + " loaded, siblings " + std::to_string(Owner()->ComponentCount())); }

private:
    std::vector<std::string>& log_;
};

class TTwoChildForm : public TForm {
public:
    explicit TTwoChildForm(std::vector<std::string>& log) : TForm(nullptr), log_(log) { LoadDefinition(); }

protected:
    void ReadDefinition() override {
        for (const char* name : {"A", "B"}) {
            auto* child = new TLoadNoting(this, log_);
            child->SetName(name);
            child->SetParent(this);
        }
    }

private:
    std::vector<std::string>& log_;
};
}  // namespace

TEST(Forms, EveryChildOfADefinitionIsToldItLoadedOnceTheWholeDefinitionIsRead) {
    std::vector<std::string> log;
    TTwoChildForm form(log);
    EXPECT_EQ(log, (std::vector<std::string>{"A loaded, siblings 2", "B loaded, siblings 2"}));
    // A control made outside a definition is not loading.
    TLoadNoting later(&form, log);
    EXPECT_FALSE(later.IsLoading());
}
