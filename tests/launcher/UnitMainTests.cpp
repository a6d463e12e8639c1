// The launcher's main window built in this process, with the stand-in
// browser control, so that what the window hands the control can be seen.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "framework/ExtCtrls.h"
#include "launcher/UnitMain.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using Microsoft::WRL::ComPtr;
using launcher::TFormMain;
using testsupport::EnvVar;
using testsupport::PumpUntil;
using testsupport::ReadFileBytes;
using testsupport::TDialogWatcher;
using testsupport::TTempFolder;
using testsupport::WindowsPathOf;
using testsupport::WriteFileBytes;
using standin::TStandInRegistration;

namespace {

std::vector<UINT> g_periods;
UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc) {
    g_periods.push_back(period);
    return ::SetTimer(window, id, period, proc);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string root = EnvVar("TEST_HTTP_ROOT");
        if (root.empty()) GTEST_SKIP() << "no test HTTP server (run through the test command)";
        serverConfig = WindowsPathOf(root) + "\\games\\pgame.ini";
        CreateDirectoryA((WindowsPathOf(root) + "\\games").c_str(), nullptr);
        g_periods.clear();
        TTimer::PlatformSetTimer = &RecordingSetTimer;
    }
    void TearDown() override {
        form.reset();
        TTimer::PlatformSetTimer = &::SetTimer;
        DeleteFileA(serverConfig.c_str());
        DeleteFileA(launcher::ConfigurationPath().c_str());
    }
    void Build() {
        builtAt = GetTickCount();
        form.reset(new TFormMain(nullptr));
    }

    TStandInRegistration registration;
    std::unique_ptr<TFormMain> form;
    std::string serverConfig;
    DWORD builtAt = 0;
};

}  // namespace

TEST_F(MainWindowTest, TheDefinitionBuildsTheWindowItsChildrenAndTheBrowsersState) {
    WriteFileBytes(serverConfig, "[Init]\r\nTime=0\r\nWeb=http://127.0.0.1:1/page.html\r\n");
    Build();
    EXPECT_EQ(form->ClientWidth(), 640);
    EXPECT_EQ(form->ClientHeight(), 480);
    EXPECT_EQ(form->BorderStyle(), bsSingle);
    EXPECT_EQ(form->BorderIcons(), static_cast<TBorderIcons>(biSystemMenu | biMinimize));
    EXPECT_EQ(form->Position(), poDesktopCenter);
    EXPECT_EQ(form->Font().Height(), -11);
    EXPECT_EQ(form->Font().Name(), L"MS Sans Serif");

    ASSERT_EQ(form->ControlCount(), 2);
    EXPECT_EQ(form->Controls(0), form->Memo1);
    EXPECT_EQ(form->Controls(1), form->EmbeddedWB1);
    EXPECT_EQ(form->Memo1->TabOrder(), 0);
    EXPECT_EQ(form->EmbeddedWB1->TabOrder(), 1);
    EXPECT_EQ(form->Memo1->Align(), alClient);
    EXPECT_EQ(form->EmbeddedWB1->Align(), alClient);
    ASSERT_EQ(form->Memo1->Lines().Count(), 1);
    EXPECT_EQ(form->Memo1->Lines()[0], "Memo1");
    EXPECT_TRUE(form->Timer1->Enabled());

    // The browser's saved state, 156 bytes with the 16933 x 12700 extent,
    // is what the control loaded.
    const auto& data = TFormMain::EmbeddedWB1ControlData();
    ASSERT_EQ(data.size(), 156u);
    auto at = [&](size_t i) {
        return static_cast<uint32_t>(data[i] | data[i + 1] << 8 | data[i + 2] << 16 | data[i + 3] << 24);
    };
    EXPECT_EQ(at(4), 16933u);
    EXPECT_EQ(at(8), 12700u);
    auto* control = registration.Last();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->loadedBytes, data);
    EXPECT_EQ(control->initNewCalls, 0);
    // One control per start, made with that state, and the component's
    // values of the definition.
    EXPECT_EQ(registration.Instances().size(), 1u);
    EXPECT_EQ(control->loadCalls, 1);
    EXPECT_FALSE(form->EmbeddedWB1->Silent());
    ASSERT_EQ(form->EmbeddedWB1->PrintOptions().HTMLHeader().Count(), 1);
    EXPECT_EQ(form->EmbeddedWB1->PrintOptions().HTMLHeader()[0], "<HTML></HTML>");
    EXPECT_EQ(form->EmbeddedWB1->PrintOptions().Orientation, ewb::poPortrait);
    EXPECT_FALSE(form->EmbeddedWB1->About().empty());
    EXPECT_EQ(control->navigations, std::vector<std::wstring>{L"http://127.0.0.1:1/page.html"});

    // What the engine gets when it asks the host, through the site.
    ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(control->site.As(&handler), S_OK);
    DOCHOSTUIINFO info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.cbSize, sizeof(DOCHOSTUIINFO));  // 20 bytes in the 32-bit program
    EXPECT_EQ(info.dwFlags, 0x00244000u);
    EXPECT_EQ(info.dwDoubleClick, 0u);
    EXPECT_EQ(info.pchHostCss, nullptr);
    EXPECT_EQ(form->EmbeddedWB1->DisableCtrlShortcuts(), "N");
    ComPtr<IDispatch> ambient;
    ASSERT_EQ(control->site.As(&ambient), S_OK);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(v.lVal, 0x70);
}

TEST_F(MainWindowTest, TheTimerIsArmedAtLoadThenReArmedWithTimeTimesAThousandWrapped) {
    WriteFileBytes(serverConfig, "[Init]\r\nTime=-5\r\n");
    Build();
    // 1000 ms when the handler was bound, then Time x 1000 modulo 2^32.
    EXPECT_EQ(g_periods, (std::vector<UINT>{1000u, 4294962296u}));
    EXPECT_EQ(form->Timer1->Interval(), 4294962296u);

    form.reset();
    g_periods.clear();
    WriteFileBytes(serverConfig, "[Init]\r\nTime=1\r\n");
    Build();
    EXPECT_EQ(g_periods, std::vector<UINT>{1000u});  // same interval: not re-armed
}

TEST_F(MainWindowTest, ATickWithoutTheConfigurationLaunchesNothingAndTheNextTickDoes) {
    TTempFolder gameFolder;
    ASSERT_TRUE(CopyFileA(WindowsPathOf(STANDIN_GAME_EXE).c_str(), (gameFolder.Path() + "game.exe").c_str(), FALSE));
    WriteFileBytes(serverConfig, "[Init]\r\nTime=0\r\nExe=\"" + gameFolder.Path() + "game.exe\" early\r\n");
    Build();
    // As while the definition loads, or once the close has let it go.
    std::unique_ptr<launcher::TIniFile> configuration = std::move(form->IniFile);
    form->Timer1->SetInterval(1000);
    form->Timer1Timer(form->Timer1);
    EXPECT_TRUE(form->Timer1->Armed());  // still waiting for its launch
    Sleep(300);
    std::string record = gameFolder.Path() + "game-record.txt";
    EXPECT_TRUE(ReadFileBytes(record).empty());

    form->IniFile = std::move(configuration);
    form->Timer1Timer(form->Timer1);
    EXPECT_FALSE(form->Timer1->Armed());
    EXPECT_TRUE(PumpUntil([&] { return !ReadFileBytes(record).empty(); }, 10000)) << "no launch";
}

TEST_F(MainWindowTest, ARefusedNavigationShowsTheErrorAndTheLaunchComesOneSecondAfterLoading) {
    TTempFolder gameFolder;
    ASSERT_TRUE(CopyFileA(WindowsPathOf(STANDIN_GAME_EXE).c_str(), (gameFolder.Path() + "game.exe").c_str(), FALSE));
    WriteFileBytes(serverConfig, "[Init]\r\nTime=30\r\nExe=\"" + gameFolder.Path() + "game.exe\" refused\r\n");
    registration.FailNewInstancesWith(E_ACCESSDENIED, L"The page may not be shown");

    TDialogWatcher watcher;
    Build();
    std::string record = gameFolder.Path() + "game-record.txt";
    ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(record).empty(); }, 10000)) << "no launch";
    DWORD launchedAfter = GetTickCount() - builtAt;
    EXPECT_LT(launchedAfter, 5000u);  // Time said 30 s; the definition's 1 s holds
    EXPECT_NE(ReadFileBytes(record).find("refused"), std::string::npos);
    EXPECT_FALSE(form->Timer1->Armed());
    EXPECT_EQ(form->Timer1->Interval(), 1000u);

    PumpUntil([&] { return !watcher.Seen().empty(); }, 3000);
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Text, "The page may not be shown.");
    EXPECT_EQ(seen[0].Caption, Application->Title());
}

TEST_F(MainWindowTest, Memo1UnderTheBrowserHoldsTheFocusWithoutABlinkingCaret) {
    WriteFileBytes(serverConfig, "[Init]\r\nTime=0\r\n");
    Build();
    form->Show();
    SetForegroundWindow(form->Handle());
    HWND memo = form->Memo1->Handle();
    SetFocus(memo);
    ASSERT_EQ(GetFocus(), memo);
    // A shown caret blinks through a system timer message to its window
    // (WM_SYSTIMER, 0x118), about twice a second.
    int blinks = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1500) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == 0x0118 && msg.hwnd == memo) ++blinks;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    EXPECT_EQ(blinks, 0);
    EXPECT_EQ(GetFocus(), memo);
}
