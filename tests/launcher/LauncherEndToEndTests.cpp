// The built launcher.exe from end to end: Wine's own browser control, the
// local HTTP server, a stand-in game and a stand-in default browser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "support/RegistryTree.h"
#include "support/WineTestSupport.h"

using testsupport::EnvVar;
using testsupport::FileExists;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReadFileBytes;
using testsupport::TTempFolder;
using testsupport::WindowsPathOf;
using testsupport::WriteFileBytes;

namespace {

struct TGameStart {
    double unixTime;  // seconds
    std::string cwd;
    std::string commandLine;
};

struct TRequest {
    double unixTime;
    std::string path;
};

double FileTimeToUnix(unsigned long long t) { return (static_cast<double>(t) - 116444736000000000.0) / 1e7; }

double NowUnix() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    return FileTimeToUnix(t.QuadPart);
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = EnvVar("TEST_HTTP_PORT");
        std::string root = EnvVar("TEST_HTTP_ROOT");
        if (port.empty() || root.empty()) GTEST_SKIP() << "no test HTTP server (run through the test command)";
        base = "http://127.0.0.1:" + port;
        serverRoot = WindowsPathOf(root) + "\\";
        CreateDirectoryA((serverRoot + "games").c_str(), nullptr);
        for (const char* name : {"games\\pgame.ini", "games\\pgame.ini.sig", "games\\pgame.ini.__answer",
                                 "games\\pgame.ini.sig.__answer"})
            DeleteFileA((serverRoot + name).c_str());
        DeleteFileA((serverRoot + "__config_unreachable").c_str());
        WriteFileBytes(serverRoot + "games\\pads.html", "<html><body>pads</body></html>");
        requestLogStart = ReadFileBytes(RequestLogPath()).size();

        ASSERT_TRUE(CopyFileA(WindowsPathOf(LAUNCHER_EXE).c_str(), (folder.Path() + "launcher.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(WindowsPathOf(STANDIN_GAME_EXE).c_str(), (folder.Path() + "game.exe").c_str(), FALSE));

        // The stand-in default browser records what is opened.
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::string recorder = BROWSER_RECORDER;
        RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                       static_cast<DWORD>(recorder.size() + 1));
        RegCloseKey(key);
        unixBrowserLog = WindowsPathOf(EnvVar("LAUNCHER_TEST_BROWSER_LOG"));
        browserLogStart = ReadFileBytes(unixBrowserLog).size();
    }

    void TearDown() override {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        DeleteFileA((serverRoot + "__config_unreachable").c_str());
        Sleep(200);  // the launcher's files are free again
    }

    std::string RequestLogPath() { return WindowsPathOf(EnvVar("TEST_HTTP_LOG")); }

    std::vector<TRequest> Requests() {
        std::vector<TRequest> out;
        std::string text = ReadFileBytes(RequestLogPath()).substr(requestLogStart);
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            TRequest r;
            std::string method;
            if (words >> r.unixTime >> method >> r.path) out.push_back(r);
        }
        return out;
    }
    const TRequest* FindRequest(const std::string& path) {
        static TRequest found;
        for (const auto& r : Requests())
            if (r.path == path) {
                found = r;
                return &found;
            }
        return nullptr;
    }

    std::vector<TGameStart> GameStarts() {
        std::vector<TGameStart> out;
        std::istringstream lines(ReadFileBytes(folder.Path() + "game-record.txt"));
        std::string line;
        while (std::getline(lines, line)) {
            size_t a = line.find('|'), b = line.find('|', a + 1);
            if (a == std::string::npos || b == std::string::npos) continue;
            out.push_back({FileTimeToUnix(std::strtoull(line.substr(0, a).c_str(), nullptr, 10)),
                           line.substr(a + 1, b - a - 1), line.substr(b + 1)});
        }
        return out;
    }

    std::string OpenedPages() { return ReadFileBytes(unixBrowserLog).substr(browserLogStart); }

    void ServeConfig(const std::string& ini) { WriteFileBytes(serverRoot + "games\\pgame.ini", ini); }

    // Starts the launcher from another current directory and waits for its
    // window.
    void StartLauncher() {
        std::string exe = folder.Path() + "launcher.exe";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        char windowsDir[MAX_PATH];
        GetWindowsDirectoryA(windowsDir, MAX_PATH);
        std::string commandLine = "\"" + exe + "\"";
        ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, windowsDir,
                                   &si, &process));
        startedAt = NowUnix();
        ASSERT_TRUE(PumpUntil([&] { return (window = testsupport::FindVisibleWindowOf(process.dwProcessId, "TFormMain")) != nullptr; },
                            30000))
            << "the launcher window did not appear";
    }

    // Closes the window as the title bar's close button does; answers the
    // exit code.
    DWORD CloseLauncher() {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0) << "the launcher did not end";
        DWORD code = 12345;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    bool WaitForPlayPage() {
        return PumpUntil([&] { return OpenedPages().find(base + "/games/play.html") != std::string::npos; }, 10000);
    }

    TTempFolder folder;
    std::string port, base, serverRoot, unixBrowserLog;
    size_t requestLogStart = 0, browserLogStart = 0;
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    double startedAt = 0;
};

std::string WideToAnsiForMessage(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Folder(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

TEST_F(LauncherTest, FetchesTheConfigurationShowsItsPageAndStartsTheGameOnceAfterTime) {
    ServeConfig("[Init]\r\nWeb=" + base + "/games/custom.html\r\nTime=2\r\nExe=game.exe -fullscreen -level 3\r\n");
    StartLauncher();
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000)) << "the game was not started";
    PumpFor(2500);  // a second launch would come by now

    auto starts = GameStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].commandLine, "game.exe -fullscreen -level 3");
    EXPECT_EQ(_stricmp(starts[0].cwd.c_str(), Folder(folder.Path()).c_str()), 0) << starts[0].cwd;

    // The configuration first, then the page it names; the launch about
    // Time seconds after the page was asked for.
    const TRequest* config = FindRequest("/games/pgame.ini");
    ASSERT_NE(config, nullptr);
    double configAt = config->unixTime;
    const TRequest* page = FindRequest("/games/custom.html");
    ASSERT_NE(page, nullptr);
    EXPECT_LE(configAt, page->unixTime);
    double delay = starts[0].unixTime - page->unixTime;
    EXPECT_GT(delay, 1.5);
    EXPECT_LT(delay, 5.0);
    // The fetched file is the one in the folder now.
    EXPECT_NE(ReadFileBytes(folder.Path() + "pgame.ini").find("custom.html"), std::string::npos);

    EXPECT_EQ(CloseLauncher(), 0u);
    EXPECT_TRUE(WaitForPlayPage());
}

TEST_F(LauncherTest, TheWindowIs640By480CentredFixedWithTheBrowserFillingItAndMemo1Focused) {
    ServeConfig("[Init]\r\nTime=0\r\n");
    StartLauncher();
    RECT client, frame;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - (frame.bottom - frame.top)) / 2);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    // The product's name as the publisher wrote it, in UTF-8 (the test
    // command's has a non-ASCII letter, quotes and a backslash).
    std::string utf8;
    for (const char* hex = LAUNCHER_CAPTION_HEX; hex[0] && hex[1]; hex += 2)
        utf8 += static_cast<char>(std::strtoul(std::string(hex, 2).c_str(), nullptr, 16));
    std::wstring expected(utf8.size(), L'\0');
    expected.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &expected[0],
                            static_cast<int>(expected.size()))));
    wchar_t caption[128] = {};
    GetWindowTextW(window, caption, 128);
    EXPECT_EQ(std::wstring(caption), expected) << WideToAnsiForMessage(caption);

    HWND embedding = FindWindowExA(window, nullptr, "Shell Embedding", nullptr);
    ASSERT_NE(embedding, nullptr);
    RECT r;
    GetWindowRect(embedding, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
    // It lies above the text field, which it covers.
    EXPECT_EQ(GetWindow(window, GW_CHILD), embedding);

    // The text field under the browser has the focus once the window is
    // active.
    SetForegroundWindow(window);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(PumpUntil([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus;
    }, 5000));
    char cls[64] = {};
    GetClassNameA(info.hwndFocus, cls, sizeof cls);
    EXPECT_STREQ(cls, "TMemo");
    EXPECT_EQ(GetParent(info.hwndFocus), window);

    EXPECT_EQ(CloseLauncher(), 0u);
}

TEST_F(LauncherTest, TimeZeroNeverStartsTheGame) {
    ServeConfig("[Init]\r\nTime=0\r\n");
    StartLauncher();
    PumpFor(3000);
    EXPECT_TRUE(GameStarts().empty());
    EXPECT_EQ(CloseLauncher(), 0u);
    EXPECT_TRUE(WaitForPlayPage());
    EXPECT_TRUE(GameStarts().empty());
}

TEST_F(LauncherTest, AnExeChangedInTheFileBeforeTheLaunchIsTheOneStarted) {
    ServeConfig("[Init]\r\nTime=3\r\nExe=game.exe first\r\n");
    StartLauncher();
    WriteFileBytes(folder.Path() + "pgame.ini", "[Init]\r\nTime=0\r\nExe=game.exe second\r\n");
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000));
    EXPECT_EQ(GameStarts()[0].commandLine, "game.exe second");  // Time was read once, Exe now
    CloseLauncher();
}

TEST_F(LauncherTest, WithoutAnyConfigurationTheDefaultsApply) {
    StartLauncher();  // the server has no pgame.ini, the folder neither
    ASSERT_TRUE(PumpUntil([&] { return FindRequest("/games/pads.html") != nullptr; }, 10000));
    double pageAt = FindRequest("/games/pads.html")->unixTime;
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000));
    auto starts = GameStarts();
    EXPECT_EQ(starts[0].commandLine, "game.exe");
    EXPECT_GT(starts[0].unixTime - pageAt, 9.0);
    EXPECT_LT(starts[0].unixTime - pageAt, 13.0);
    EXPECT_FALSE(FileExists(folder.Path() + "pgame.ini"));  // the 404 page was not kept
    CloseLauncher();
}

TEST_F(LauncherTest, WithTheServerDownAnEarlierCopyIsUsed) {
    WriteFileBytes(serverRoot + "__config_unreachable", "");
    const std::string earlier = "[Init]\r\nWeb=" + base + "/games/earlier.html\r\nTime=1\r\nExe=game.exe earlier\r\n";
    WriteFileBytes(folder.Path() + "pgame.ini", earlier);
    StartLauncher();
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000));
    EXPECT_EQ(GameStarts()[0].commandLine, "game.exe earlier");
    EXPECT_NE(FindRequest("/games/earlier.html"), nullptr);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "pgame.ini"), earlier);
    CloseLauncher();
}

TEST_F(LauncherTest, ClosingBeforeTheLaunchOpensThePlayPageAndStartsNoGame) {
    ServeConfig("[Init]\r\nTime=30\r\n");
    StartLauncher();
    EXPECT_EQ(CloseLauncher(), 0u);
    EXPECT_TRUE(WaitForPlayPage());
    PumpFor(500);
    EXPECT_TRUE(GameStarts().empty());
}

TEST_F(LauncherTest, ClosingAfterTheLaunchOpensThePlayPageToo) {
    ServeConfig("[Init]\r\nTime=1\r\n");
    StartLauncher();
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000));
    EXPECT_EQ(CloseLauncher(), 0u);
    EXPECT_TRUE(WaitForPlayPage());
    EXPECT_EQ(GameStarts().size(), 1u);
}

// With the launcher's own options its browser applies no proxy, writes no
// user agent and leaves the sound scheme alone: the user's whole registry
// and the machine's internet settings are as they were before the run.
TEST_F(LauncherTest, ARunWithTheDefaultsLeavesTheRegistryAsItWas) {
    using testsupport::ReadRegistryTree;
    using testsupport::RegistryDifferences;
    const std::wstring machineInternet = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    ServeConfig("[Init]\r\nTime=0\r\n");
    const auto userBefore = ReadRegistryTree(HKEY_CURRENT_USER, L"");
    const auto machineBefore = ReadRegistryTree(HKEY_LOCAL_MACHINE, machineInternet);
    ASSERT_TRUE(userBefore.Exists);

    StartLauncher();
    ASSERT_TRUE(PumpUntil([&] { return FindRequest("/games/pads.html") != nullptr; }, 10000));
    EXPECT_EQ(CloseLauncher(), 0u);
    EXPECT_TRUE(WaitForPlayPage());

    std::wstring changed;
    for (const auto& path : RegistryDifferences(userBefore, ReadRegistryTree(HKEY_CURRENT_USER, L""), L"HKCU"))
        changed += path + L"\n";
    for (const auto& path :
         RegistryDifferences(machineBefore, ReadRegistryTree(HKEY_LOCAL_MACHINE, machineInternet), L"HKLM"))
        changed += path + L"\n";
    EXPECT_TRUE(changed.empty()) << WideToAnsiForMessage(changed);
}

namespace {

// What the server hands out for one start: the configuration signed at build
// time, perhaps changed after signing, and its signature, if any, served as
// the http_server.py sidecar says.
struct TSignedConfigCase {
    const char* name;
    bool keyed;                 // the launcher built with the publisher's key
    bool changedAfterSigning;   // Exe altered in the served file
    const char* signature;      // the file served as "pgame.ini.sig", or none
    const char* answer;         // how it is served: "" whole, "cut", "404"
    bool replaces;              // the served file replaces the copy
};

const TSignedConfigCase kSignedConfigCases[] = {
    {"SignedByThePublisher", true, false, CONFIG_SIGNATURE, "", true},
    {"ChangedAfterSigning", true, true, CONFIG_SIGNATURE, "", false},
    {"WithoutSignature", true, false, nullptr, "", false},
    {"SignatureCutShort", true, false, CONFIG_SIGNATURE, "cut", false},
    {"SignedWithAnotherKey", true, false, FOREIGN_SIGNATURE, "", false},
    {"SignatureServedWith404", true, false, CONFIG_SIGNATURE, "404", false},
    {"LauncherWithoutKeyTakesAnUnsignedFile", false, true, nullptr, "", true},
};

class SignedConfigTest : public LauncherTest, public ::testing::WithParamInterface<TSignedConfigCase> {};

}  // namespace

TEST_P(SignedConfigTest, OnlyAFileSignedWithTheBuiltInKeyReplacesTheCopy) {
    const TSignedConfigCase& c = GetParam();
    if (c.keyed) {
        ASSERT_TRUE(CopyFileA(WindowsPathOf(SIGNED_LAUNCHER_EXE).c_str(), (folder.Path() + "launcher.exe").c_str(),
                              FALSE));
    }
    const std::string earlier = "[Init]\r\nWeb=" + base + "/games/earlier.html\r\nTime=1\r\nExe=game.exe earlier\r\n";
    WriteFileBytes(folder.Path() + "pgame.ini", earlier);
    std::string served = ReadFileBytes(WindowsPathOf(SIGNED_CONFIG));
    const std::string signedExe = "Exe=game.exe signed";
    ASSERT_NE(served.find(signedExe), std::string::npos);
    if (c.changedAfterSigning) served.replace(served.find(signedExe), signedExe.size(), "Exe=game.exe changed");
    ServeConfig(served);
    const std::string signature = c.signature ? ReadFileBytes(WindowsPathOf(c.signature)) : std::string();
    if (c.signature) {
        ASSERT_FALSE(signature.empty());
        WriteFileBytes(serverRoot + "games\\pgame.ini.sig", signature);
    }
    if (*c.answer) WriteFileBytes(serverRoot + "games\\pgame.ini.sig.__answer", c.answer);

    StartLauncher();
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000)) << "the game was not started";

    const char* exe = !c.replaces ? "game.exe earlier" : c.changedAfterSigning ? "game.exe changed" : "game.exe signed";
    EXPECT_EQ(GameStarts()[0].commandLine, exe);
    EXPECT_NE(FindRequest(c.replaces ? "/games/signed.html" : "/games/earlier.html"), nullptr);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "pgame.ini"), c.replaces ? served : earlier);
    // The signature lies beside the file it was checked with, and only then.
    if (c.keyed && c.replaces) {
        EXPECT_EQ(ReadFileBytes(folder.Path() + "pgame.ini.sig"), signature);
    } else {
        EXPECT_FALSE(FileExists(folder.Path() + "pgame.ini.sig"));
    }
    // Only the launcher with the key asks for a signature.
    EXPECT_EQ(FindRequest("/games/pgame.ini.sig") != nullptr, c.keyed);
    for (const std::string& name : folder.FileNames())
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << "a temporary file was left: " << name;
    EXPECT_EQ(CloseLauncher(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignedConfigTest, ::testing::ValuesIn(kSignedConfigCases),
                         [](const ::testing::TestParamInfo<TSignedConfigCase>& info) { return info.param.name; });

namespace {

// A server that is slow or stalls on the configuration (or its signature):
// how the file is served, and whether it is then the copy in the folder.
struct TStalledFetchCase {
    const char* name;
    bool keyed;               // the launcher built with the publisher's key
    const char* config;       // how "pgame.ini" is served ("" whole)
    const char* signature;    // how "pgame.ini.sig" is served, keyed only
    bool replaces;            // the served file replaces the copy
};

const TStalledFetchCase kStalledFetchCases[] = {
    {"NothingAnswersAfterTheConnection", false, "stall", "", false},
    {"HeadersThenSilence", false, "silence", "", false},
    {"ATrickleThatWouldEndLongAfterTheDeadline", false, "trickle", "", false},
    {"ASlowCompleteAnswerInsideTheDeadline", false, "slow:3000", "", true},
    {"TheSignatureStallsAfterAGoodFile", true, "", "stall", false},
};

// The launcher's deadline for the whole fetch, and what a start may take
// beyond it and beyond a start whose fetch answers at once on the same
// machine (Wine has been seen to add 10 s to every start on some machines:
// that is measured, not assumed). A stalled answer keeps its connection for
// 30 s, so a fetch without a bound shows far above it.
constexpr double kFetchDeadline = LAUNCHER_FETCH_TIMEOUT_S;
constexpr double kMargin = 4.0;
constexpr double kServerStallLimit = 30.0;

class StalledFetchTest : public LauncherTest, public ::testing::WithParamInterface<TStalledFetchCase> {
protected:
    // Starts the launcher, waits for the request of `page`, closes it:
    // when the window showed and when the page was asked for, from the start.
    void TimeOneStart(const std::string& page, double& shownAfter, double& pageAfter) {
        StartLauncher();
        shownAfter = NowUnix() - startedAt;
        ASSERT_TRUE(PumpUntil([&] { return FindRequest(page) != nullptr; }, 10000)) << "no request for " << page;
        pageAfter = FindRequest(page)->unixTime - startedAt;
    }
};

}  // namespace

TEST_P(StalledFetchTest, TheWindowShowsByTheDeadlineAndOnlyAWholeAnswerReplacesTheCopy) {
    const TStalledFetchCase& c = GetParam();
    if (c.keyed) {
        ASSERT_TRUE(CopyFileA(WindowsPathOf(SIGNED_LAUNCHER_EXE).c_str(), (folder.Path() + "launcher.exe").c_str(),
                              FALSE));
    }
    const std::string served =
        c.keyed ? ReadFileBytes(WindowsPathOf(SIGNED_CONFIG))
                : "[Init]\r\nWeb=" + base + "/games/served.html\r\nTime=1\r\nExe=game.exe served\r\n";
    const std::string servedPage = c.keyed ? "/games/signed.html" : "/games/served.html";
    ServeConfig(served);
    if (c.keyed) WriteFileBytes(serverRoot + "games\\pgame.ini.sig", ReadFileBytes(WindowsPathOf(CONFIG_SIGNATURE)));

    // First a start whose fetch answers at once: what this machine takes.
    double usualShown = 0, usualPage = 0;
    TimeOneStart(servedPage, usualShown, usualPage);
    if (HasFatalFailure()) return;
    EXPECT_EQ(CloseLauncher(), 0u);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
    ASSERT_LT(usualPage + kFetchDeadline + kMargin, kServerStallLimit)
        << "this machine takes " << usualPage << " s to start the launcher: a stall cannot be told from that";

    const std::string earlier = "[Init]\r\nWeb=" + base + "/games/earlier.html\r\nTime=1\r\nExe=game.exe earlier\r\n";
    const std::string earlierSignature = "an earlier signature";
    WriteFileBytes(folder.Path() + "pgame.ini", earlier);
    if (c.keyed) WriteFileBytes(folder.Path() + "pgame.ini.sig", earlierSignature);
    DeleteFileA((folder.Path() + "game-record.txt").c_str());
    requestLogStart = ReadFileBytes(RequestLogPath()).size();
    if (*c.config) WriteFileBytes(serverRoot + "games\\pgame.ini.__answer", c.config);
    if (*c.signature) WriteFileBytes(serverRoot + "games\\pgame.ini.sig.__answer", c.signature);

    double shownAfter = 0, fetchedAfter = 0;
    TimeOneStart(!c.replaces ? "/games/earlier.html" : servedPage, shownAfter, fetchedAfter);
    if (HasFatalFailure()) return;
    const TRequest* config = FindRequest("/games/pgame.ini");
    std::cout << "[ " << c.name << " ] configuration asked for after "
              << (config ? config->unixTime - startedAt : -1.0) << " s, window shown after " << shownAfter
              << " s, page asked for after " << fetchedAfter << " s; against a server that answers: "
              << usualShown << " s and " << usualPage << " s" << std::endl;
    EXPECT_LT(shownAfter, usualShown + kFetchDeadline + kMargin);
    EXPECT_LT(fetchedAfter, usualPage + kFetchDeadline + kMargin);
    ASSERT_TRUE(PumpUntil([&] { return !GameStarts().empty(); }, 20000)) << "the game was not started";
    PumpFor(1500);  // a second launch would come by now

    auto starts = GameStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].commandLine, c.replaces ? "game.exe served" : "game.exe earlier");
    EXPECT_EQ(ReadFileBytes(folder.Path() + "pgame.ini"), c.replaces ? served : earlier);
    if (c.keyed) {
        EXPECT_EQ(ReadFileBytes(folder.Path() + "pgame.ini.sig"), earlierSignature);
    }
    for (const std::string& name : folder.FileNames())
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << "a temporary file was left: " << name;
    EXPECT_EQ(CloseLauncher(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, StalledFetchTest, ::testing::ValuesIn(kStalledFetchCases),
                         [](const ::testing::TestParamInfo<TStalledFetchCase>& info) { return info.param.name; });
