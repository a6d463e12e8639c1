// The example program's pages, end to end against the stand-in engine:
// Wine's own control never fires NewWindow2 or NewWindow3, never asks for
// window.external and makes no document to take keys or show a menu. The
// test compiles the example's window code and registers the stand-in in its
// own process, so that the example's code meets it through the platform's
// class factory as it meets the engine, with nothing in between; only the
// example's WinMain (the start-up object, two windows, the loop) is not run.
#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>
#include <tuple>

#include "PageWindows.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using standin::TStandInRegistration;

namespace {

enum THost { kForm, kPlainWindow, kMadeAtRunTime };
const char* const kHostNames[] = {"InAForm", "InAPlainWindow", "MadeAtRunTime"};

// A page of the example as the test opened it, and what closes it again.
struct TOpenPage {
    HWND Window = nullptr;  // the page's top-level window
    standin::TStandInBrowser* Engine = nullptr;
    ui::TForm* Form = nullptr;
    HWND MainWindow = nullptr;  // goes with the windows it owns
    ~TOpenPage() {
        delete Form;
        if (IsWindow(MainWindow)) DestroyWindow(MainWindow);
    }
};

void Open(THost host, TStandInRegistration& registration, TOpenPage& page) {
    if (host == kForm) {
        page.Form = new example::TPageForm(nullptr);
        page.Form->Show();
        page.Window = page.Form->Handle();
    } else {
        page.Window = page.MainWindow = example::CreatePageWindow(nullptr);
    }
    page.Engine = registration.Last();
    ASSERT_TRUE(page.Engine && IsWindow(page.Window));
    if (host == kMadeAtRunTime) {
        // The page's own link opens another window, whose browser is made
        // then, in the first page's event.
        ASSERT_TRUE(page.Engine->FireBeforeNavigate2(L"app:new-window"));
        ASSERT_NE(registration.Last(), page.Engine);
        page.Engine = registration.Last();
        page.Window = GetAncestor(page.Engine->hostWindow, GA_ROOT);
        ASSERT_EQ(GetWindow(page.Window, GW_OWNER), page.MainWindow);
    }
    // The page has loaded, and the user clicks into it.
    page.Engine->LoadDocument();
    page.Engine->UIActivate();
    testsupport::PumpFor(50);
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

void TypeThroughTheProgramsLoop(HWND window, WPARAM key, bool ctrl) {
    BYTE state[256] = {};
    if (ctrl) state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    PostMessageW(window, WM_KEYDOWN, key, 0x00190001);
    PostQuitMessage(0);
    example::RunMessageLoop();
    BYTE none[256] = {};
    SetKeyboardState(none);
}

struct TBehaviour {
    const char* Name;
    void (*Check)(TOpenPage& page, TStandInRegistration& registration);
};

const TBehaviour kBehaviours[] = {
    {"ShowsItsPage",
     [](TOpenPage& page, TStandInRegistration&) {
         EXPECT_EQ(page.Engine->navigations, std::vector<std::wstring>{example::StartPage()});
         EXPECT_TRUE(IsChild(page.Window, page.Engine->shellEmbedding));
         EXPECT_TRUE(IsWindowVisible(page.Engine->shellEmbedding));
     }},
    {"WatchesTheEnginesBoxes",
     [](TOpenPage& page, TStandInRegistration&) {
         if (!page.Form && page.Window != page.MainWindow)
             GTEST_SKIP() << "the boxes are watched through the first browser's window only";
         HWND box = CreateWindowExW(0, L"#32770", L"Microsoft Internet Explorer - page", WS_POPUP, 0, 0, 50, 50,
                                    page.Window, nullptr, nullptr, nullptr);
         SendMessageW(page.Window, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(box));
         EXPECT_EQ(TextOf(box), L" - page");
         DestroyWindow(box);
     }},
    {"HasNoContextMenu",
     [](TOpenPage& page, TStandInRegistration&) { EXPECT_FALSE(page.Engine->ShowsOwnContextMenu()); }},
    {"MasksCtrlShortcutsInTheProgramsLoop",
     [](TOpenPage& page, TStandInRegistration&) {
         TypeThroughTheProgramsLoop(page.Engine->ieServer, 'P', true);
         TypeThroughTheProgramsLoop(page.Engine->ieServer, 'P', false);
         EXPECT_EQ(page.Engine->keysOffered, (std::vector<WPARAM>{'P', 'P'}));
         EXPECT_EQ(page.Engine->keysToPage, std::vector<WPARAM>{'P'});
     }},
    {"RunsItsOwnSchemeAndLetsTheEngineFollowTheRest",
     [](TOpenPage& page, TStandInRegistration& registration) {
         const size_t engines = registration.Instances().size();
         EXPECT_TRUE(page.Engine->FireBeforeNavigate2(L"APP:new-window"));
         ASSERT_EQ(registration.Instances().size(), engines + 1);
         EXPECT_EQ(GetWindow(GetAncestor(registration.Last()->hostWindow, GA_ROOT), GW_OWNER), page.Window);
         EXPECT_FALSE(page.Engine->FireBeforeNavigate2(L"http://127.0.0.1/next.html"));
         EXPECT_EQ(registration.Instances().size(), engines + 1);
     }},
    {"SendsNewWindowsToTheDefaultBrowser",
     [](TOpenPage& page, TStandInRegistration&) {
         const std::string log = testsupport::EnvVar("LAUNCHER_TEST_BROWSER_LOG");
         if (log.empty()) GTEST_SKIP() << "no stand-in default browser (run through the test command)";
         ui::TRegKey key;
         ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, key.Receive(), nullptr),
                   ERROR_SUCCESS);
         const std::string recorder = BROWSER_RECORDER;
         RegSetValueExA(key.Get(), "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                        static_cast<DWORD>(recorder.size() + 1));
         const std::string opened = testsupport::WindowsPathOf(log);
         const size_t before = testsupport::ReadFileBytes(opened).size();
         // Only a web page: "open" runs what any other address names. An
         // ftp: one would reach the default browser too.
         const std::string tag = "window-" + std::to_string(GetCurrentProcessId());
         const std::string other = "ftp://127.0.0.1/" + tag + "-other", url = "http://127.0.0.1/" + tag + ".html";
         EXPECT_FALSE(page.Engine->OpenNewWindow(other));
         EXPECT_FALSE(page.Engine->OpenNewWindow(url));
         EXPECT_TRUE(testsupport::PumpUntil(
             [&] { return testsupport::ReadFileBytes(opened).find(url, before) != std::string::npos; }, 20000))
             << url << " was not opened in the default browser";
         testsupport::PumpFor(1000);  // the other, asked for first, would be there by now
         EXPECT_EQ(testsupport::ReadFileBytes(opened).find(tag + "-other", before), std::string::npos);
     }},
    {"GivesItsScriptAnObject",
     [](TOpenPage& page, TStandInRegistration&) {
         EXPECT_EQ(page.Engine->CallExternal(L"programName"), "s:Browser example");
         EXPECT_EQ(page.Engine->CallExternal(L"setTitle", {L"Titled by the page"}), "e");
         EXPECT_EQ(TextOf(page.Window), L"Titled by the page");
     }},
    // The window closes once the page's call is over, not under it; the
    // browser goes with a plain window, and holds nothing of the engine.
    {"ClosesItsWindowFromItsScript",
     [](TOpenPage& page, TStandInRegistration&) {
         EXPECT_TRUE(page.Engine->CloseFromScript());
         EXPECT_TRUE(IsWindowVisible(page.Window)) << "closed inside the engine's call";
         testsupport::PumpFor(50);
         if (page.Form) {
             EXPECT_FALSE(IsWindowVisible(page.Window));
             return;
         }
         EXPECT_FALSE(IsWindow(page.Window));
         EXPECT_EQ(page.Engine->HostReferencesHeld(), 0);
     }},
};

// The run names its cases by host and behaviour.
void PrintTo(THost host, std::ostream* out) { *out << kHostNames[host]; }
void PrintTo(const TBehaviour& behaviour, std::ostream* out) { *out << behaviour.Name; }

class ExamplePage : public testing::TestWithParam<std::tuple<THost, TBehaviour>> {};

TEST_P(ExamplePage, Behaves) {
    TStandInRegistration registration;
    TOpenPage page;
    Open(std::get<0>(GetParam()), registration, page);
    if (HasFatalFailure()) return;
    std::get<1>(GetParam()).Check(page, registration);
}

INSTANTIATE_TEST_SUITE_P(Example, ExamplePage,
                         testing::Combine(testing::Values(kForm, kPlainWindow, kMadeAtRunTime),
                                          testing::ValuesIn(kBehaviours)),
                         [](const testing::TestParamInfo<ExamplePage::ParamType>& info) {
                             return std::string(kHostNames[std::get<0>(info.param)]) + "_" +
                                    std::get<1>(info.param).Name;
                         });

}  // namespace
