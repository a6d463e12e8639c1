#include <gtest/gtest.h>

#include <objbase.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "support/WineTestSupport.h"

using namespace ui;
using testsupport::PumpUntil;
using testsupport::TDialogWatcher;

TEST(ApplicationTitle, ProgramNameCutAtFirstDotRestLowerCase) {
    EXPECT_EQ(ApplicationTitleFromPath("C:\\Games\\Space\\LAUNCHER.EXE"), "Launcher");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\Games\\my.game.launcher.exe"), "my");
    EXPECT_EQ(ApplicationTitleFromPath("D:PGame.Exe"), "Pgame");
    EXPECT_EQ(ApplicationTitleFromPath("x.exe"), "x");
    EXPECT_EQ(ApplicationTitleFromPath("noext"), "noext");
}

TEST(ApplicationTitle, CaptionsTheHiddenApplicationWindow) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(Application->Title(), "framework_tests");
    EXPECT_EQ(Application->Title(), ApplicationTitleFromPath(path));

    HWND window = Application->Handle();
    ASSERT_TRUE(IsWindow(window));
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), "framework_tests");
    EXPECT_EQ(GetParent(window), nullptr);  // top level
    EXPECT_FALSE(IsWindowVisible(window));  // until the loop shows the main form
}

TEST(ErrorBox, PointIsAppendedOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText("Not enough timers available"), "Not enough timers available.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("What?"), "What?.");  // '?' sorts after '.'
    EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");   // '!' sorts before '.'
    EXPECT_EQ(ErrorBoxText("50%"), "50%");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(Application, ComIsSingleThreadedOnTheUiThread) {
    // A second initialisation as another apartment kind is refused when the
    // thread is already single-threaded.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(hr, RPC_E_CHANGED_MODE);
    if (SUCCEEDED(hr)) CoUninitialize();
}

namespace {
struct THookRecorder {
    std::vector<UINT> seen;
    bool swallow = false;
    bool Hook(TMessage& message) {
        if (message.Msg == WM_USER + 7) {
            seen.push_back(message.Msg);
            if (swallow) {
                message.Result = 42;
                return true;
            }
        }
        return false;
    }
};
}  // namespace

TEST(Application, MainWindowHooksSeeMessagesFirstAndAreRemovedByIdentity) {
    THookRecorder first, second;
    auto firstHook = TWindowHook::Of<&THookRecorder::Hook>(&first);
    auto secondHook = TWindowHook::Of<&THookRecorder::Hook>(&second);
    int before = Application->HookCount();
    Application->HookMainWindow(firstHook);
    Application->HookMainWindow(secondHook);

    first.swallow = true;
    LRESULT r = SendMessageW(Application->Handle(), WM_USER + 7, 0, 0);
    EXPECT_EQ(r, 42);
    EXPECT_EQ(first.seen.size(), 1u);
    EXPECT_EQ(second.seen.size(), 0u);  // swallowed by the first

    Application->UnhookMainWindow(TWindowHook::Of<&THookRecorder::Hook>(&first));
    EXPECT_EQ(Application->HookCount(), before + 1);
    SendMessageW(Application->Handle(), WM_USER + 7, 0, 0);
    EXPECT_EQ(first.seen.size(), 1u);
    EXPECT_EQ(second.seen.size(), 1u);
    Application->UnhookMainWindow(secondHook);
    EXPECT_EQ(Application->HookCount(), before);
}

namespace {
struct TFailingTicker {
    int ticks = 0;
    void Tick(TObject*) {
        ++ticks;
        if (ticks == 1) throw Exception("The game could not be found");
    }
};
}  // namespace

namespace {
// A child whose window cannot be made, as a control that fails to activate.
class TFailingChild : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateWnd() override { throw Exception("The browser could not be activated"); }
};
struct TLoopEnder {
    TDialogWatcher* watcher;
    int ticks = 0;
    void Tick(TObject*) {
        if (!watcher->Seen().empty() || ++ticks > 100) Application->Terminate();
    }
};
}  // namespace

TEST(ErrorBox, AnErrorWhileTheMainFormIsFirstShownShowsTheBoxAndTheLoopRuns) {
    TDialogWatcher watcher;
    TForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    auto* failing = new TFailingChild(&form);
    failing->SetParent(&form);
    failing->SetEnabled(false);  // not a focus candidate, so nothing asks for its window again
    TCustomForm* previous = Application->MainForm();
    Application->SetMainForm(&form);
    TLoopEnder ender{&watcher};
    TTimer timer(nullptr);
    timer.SetInterval(100);
    timer.SetOnTimer(TNotifyEvent::Of<&TLoopEnder::Tick>(&ender));
    try {
        Application->Run();
    } catch (...) {
        ADD_FAILURE() << "the error left the message loop";
    }
    Application->SetMainForm(previous);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));  // the window opened all the same
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));  // and so did the task-bar entry
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Text, "The browser could not be activated.");
    EXPECT_LE(ender.ticks, 100);
}

TEST(ErrorBox, AnErrorInATickHandlerShowsOneBoxAndTheLoopGoesOn) {
    TDialogWatcher watcher;
    TFailingTicker ticker;
    TTimer timer(nullptr);
    timer.SetInterval(50);
    timer.SetOnTimer(TNotifyEvent::Of<&TFailingTicker::Tick>(&ticker));

    ASSERT_TRUE(PumpUntil([&] { return ticker.ticks >= 3; }, 20000));
    timer.SetEnabled(false);
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Caption, Application->Title());
    EXPECT_EQ(seen[0].Text, "The game could not be found.");
}

// The task-bar entry belongs to the application's window, not to the main
// form: what the frame's minimise button and the task bar send must bring
// the form back, and activated.
TEST(Application, MinimisingTheMainFormTakesTheApplicationAlongAndTheTaskBarEntryBringsItBack) {
    TForm form(nullptr);
    form.SetBorderIcons(biSystemMenu | biMinimize);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    TCustomForm* previous = Application->MainForm();
    Application->SetMainForm(&form);
    HWND app = Application->Handle();
    ShowWindow(app, SW_SHOWNA);
    form.Show();
    HWND main = form.Handle();
    ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == main; }, 5000));

    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);  // the frame's button
    testsupport::PumpFor(200);
    EXPECT_TRUE(IsIconic(app));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(form.Visible());  // hidden with the application, not by the program

    SendMessageW(app, WM_SYSCOMMAND, SC_RESTORE, 0);  // the entry, minimised
    EXPECT_FALSE(IsIconic(app));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == main; }, 5000));

    SetForegroundWindow(app);  // the entry, not minimised
    EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == main && GetForegroundWindow() == main; }, 5000));

    Application->SetMainForm(previous);
}
