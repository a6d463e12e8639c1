#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <functional>
#include <new>
#include <thread>

#include "framework/Boundary.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/OleCtrls.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using testsupport::PumpUntil;
using testsupport::TDebugOutput;
using testsupport::TDialogWatcher;

// Allocations of this size and more fail while it is set: a box that cannot
// be shown.
namespace {
size_t g_failAllocationsFrom = 0;
}
void* operator new(std::size_t size) {
    if (g_failAllocationsFrom && size >= g_failAllocationsFrom) throw std::bad_alloc();
    if (void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

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

namespace {

std::exception_ptr Error(const std::string& message) { return std::make_exception_ptr(Exception(message)); }

std::vector<std::string> Texts(const std::vector<testsupport::TDialogSeen>& seen) {
    std::vector<std::string> texts;
    for (const auto& box : seen) texts.push_back(box.Text);
    return texts;
}

// A main-window hook that takes the application's request to show its
// errors: answers it, or raises.
struct TRequestTaker {
    bool raise = false;
    bool Hook(TMessage& message) {
        if (message.Msg != CM_SHOWERRORS) return false;
        if (raise) throw Exception("The hook failed");
        return true;
    }
};

struct TFailingDestroy {
    void Destroyed(TObject*) { throw Exception("The form could not be saved"); }
};

class TDamagedForm : public TForm {
public:
    TDamagedForm() : TForm(nullptr) { LoadDefinition(); }

protected:
    void ReadDefinition() override { throw Exception("The definition is damaged"); }
};

// A form with an ActiveX control (the stand-in browser) made when its
// definition has been read.
const TControlData kStandInControl = {
    {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}}, GUID_NULL, 0, nullptr, 0, 0};
class TControlForm : public TForm {
public:
    TControlForm() : TForm(nullptr) { LoadDefinition(); }

protected:
    void ReadDefinition() override { (new TOleControl(this, kStandInControl))->SetParent(this); }
};

}  // namespace

TEST(ErrorQueue, EveryErrorReachesTheBoxOnceTheCallsFromOutsideHaveReturned) {
    standin::TStandInRegistration registration;
    registration.RefuseInitOfNewInstances(static_cast<HRESULT>(0x8004DEAD));
    TRequestTaker taker;
    const TWindowHook hook = TWindowHook::Of<&TRequestTaker::Hook>(&taker);
    // Two errors queued as a boundary queues them, the loop run after each.
    auto queueTwo = [&](bool raise) {
        taker.raise = raise;
        Application->HookMainWindow(hook);
        for (const char* message : {"first", "second"}) {
            QueueException(nullptr, Error(message));
            Application->ProcessMessages();
        }
        Application->UnhookMainWindow(hook);
        return std::string();
    };
    auto insideACall = [](TDialogWatcher& watcher, const std::function<void()>& work) {
        TOutsideCall call;
        work();
        return "boxes during the call: " + std::to_string(watcher.Seen().size());
    };
    struct TRow {
        const char* Name;
        std::function<std::string(TDialogWatcher& watcher)> Act;  // answers what it saw meanwhile
        const char* Seen;
        std::vector<std::string> Boxes;  // once the loop has run
    } rows[] = {
        {"a main-window hook answers the request", [&](TDialogWatcher&) { return queueTwo(false); }, "",
         {"first.", "second."}},
        {"a main-window hook raises on the request", [&](TDialogWatcher&) { return queueTwo(true); }, "",
         {"first.", "second."}},
        {"a box cannot be shown", [&](TDialogWatcher&) {
             TDebugOutput debugger;
             QueueException(nullptr, Error(std::string(300000, 'x')));
             QueueException(nullptr, Error("second"));
             g_failAllocationsFrom = 200000;
             Application->ProcessMessages();
             g_failAllocationsFrom = 0;
             const auto& lines = debugger.Lines();
             const bool told = std::find(lines.begin(), lines.end(), std::string(200, 'x')) != lines.end();
             return std::string(told ? "the debugger heard of it" : "nobody heard of it");
         }, "the debugger heard of it", {"second."}},
        {"a form's definition fails inside a call",
         [&](TDialogWatcher& w) { return insideACall(w, [] { TDamagedForm form; }); }, "boxes during the call: 0",
         {"The definition is damaged."}},
        {"a form's destroy handler fails inside a call", [&](TDialogWatcher& w) {
             TFailingDestroy failing;
             auto* form = new TForm(nullptr);
             form->OnDestroy = TNotifyEvent::Of<&TFailingDestroy::Destroyed>(&failing);
             return insideACall(w, [&] { delete form; });
         }, "boxes during the call: 0", {"The form could not be saved."}},
        {"a form's control cannot be made inside a call",
         [&](TDialogWatcher& w) { return insideACall(w, [] { TControlForm form; }); }, "boxes during the call: 0",
         {"OLE error 8004dead."}},
        {"another thread is inside a call of its own", [&](TDialogWatcher& w) {
             HANDLE inside = CreateEventW(nullptr, TRUE, FALSE, nullptr), leave = CreateEventW(nullptr, TRUE, FALSE, nullptr);
             std::thread other([&] {
                 TOutsideCall call;
                 SetEvent(inside);
                 WaitForSingleObject(leave, 10000);
             });
             WaitForSingleObject(inside, 10000);
             QueueException(nullptr, Error("first"));
             Application->ProcessMessages();
             const std::string seen = "boxes while it is inside: " + std::to_string(w.Seen().size());
             SetEvent(leave);
             other.join();
             CloseHandle(inside);
             CloseHandle(leave);
             return seen;
         }, "boxes while it is inside: 1", {"first."}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TDialogWatcher watcher;
        EXPECT_EQ(row.Act(watcher), row.Seen);
        Application->ProcessMessages();
        EXPECT_EQ(Texts(watcher.Seen()), row.Boxes);
    }
}

// Once the loop has ended no box may open: the user has closed the program.
TEST(ErrorQueue, ErrorsOfTheTeardownGoToTheDebuggerOutput) {
    PostQuitMessage(0);
    Application->ProcessMessages();
    ASSERT_TRUE(Application->Terminated());
    TFailingDestroy failing;
    const std::function<void()> errors[] = {
        [] { QueueException(nullptr, Error("The boundary failed")); },
        [&] {
            auto* form = new TForm(nullptr);
            form->OnDestroy = TNotifyEvent::Of<&TFailingDestroy::Destroyed>(&failing);
            delete form;
        },
    };
    TDialogWatcher watcher;
    TDebugOutput debugger;
    for (const auto& raise : errors) {
        raise();
        Application->ProcessMessages();  // a teardown may still run the loop
    }
    const std::vector<std::string> told = debugger.Lines(), boxes = Texts(watcher.Seen());
    EXPECT_EQ(boxes, std::vector<std::string>());
    EXPECT_EQ(told, (std::vector<std::string>{"The boundary failed", "The form could not be saved"}));
}
