// The platform routines against the test prefix: versions, the navigation
// sound in the user's registry, the floating-point control word and the
// proxy routines (through the WinINet seam: Wine does not report back all
// of the options it is given).
#include <gtest/gtest.h>

#include <cmath>

#include "browser/component/EmbeddedWB.h"
#include "browser/component/EwbPlatform.h"
#include "browser/support/EwbLateBound.h"
#include "support/RegistryTree.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ewb;
using testsupport::DeleteRegistryTree;
using testsupport::ReadRegistryTree;
using testsupport::RegistryDifferences;
using testsupport::TRegistryGuard;
using testsupport::TRegTree;
using testsupport::TTempFolder;
using testsupport::WindowsPathOf;

namespace {

const std::wstring kNavigating = L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating";

void PutText(const std::wstring& key, const std::wstring& name, const std::wstring& text) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

TRegTree Sound(const std::wstring& name) { return ReadRegistryTree(HKEY_CURRENT_USER, kNavigating + L"\\" + name); }

class NavigationSoundTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(HKEY_CURRENT_USER, kNavigating); }
    // A current sound with values and subkeys two levels deep.
    TRegTree MakeCurrentSound() {
        PutText(kNavigating + L"\\.Current", L"", L"C:\\sounds\\click.wav");
        PutText(kNavigating + L"\\.Current", L"Extra", L"x");
        PutText(kNavigating + L"\\.Current\\Inner", L"Middle", L"m");
        PutText(kNavigating + L"\\.Current\\Inner\\Deeper", L"Deep", L"d");
        return Sound(L".Current");
    }
    TRegistryGuard guard{HKEY_CURRENT_USER, kNavigating};
};

}  // namespace

TEST_F(NavigationSoundTest, TheCurrentSoundIsParkedWithValuesAndSubkeysAndComesBack) {
    const TRegTree current = MakeCurrentSound();
    SetNavigationSoundKey(true);
    EXPECT_FALSE(Sound(L".Current").Exists);
    const TRegTree parked = Sound(L"Old_Current");
    ASSERT_TRUE(parked.Exists);
    EXPECT_TRUE(RegistryDifferences(current, parked).empty());
    EXPECT_EQ(parked.Keys.at(L"Inner").Keys.at(L"Deeper").Values.count(L"Deep"), 1u);

    SetNavigationSoundKey(false);
    EXPECT_FALSE(Sound(L"Old_Current").Exists);
    EXPECT_TRUE(RegistryDifferences(current, Sound(L".Current")).empty());
}

TEST_F(NavigationSoundTest, AParkedSoundLeftOverBlocksTheMoveAndReturnsOnlyWithoutACurrentOne) {
    PutText(kNavigating + L"\\.Current", L"", L"new.wav");
    PutText(kNavigating + L"\\Old_Current", L"", L"old.wav");
    const TRegTree both = ReadRegistryTree(HKEY_CURRENT_USER, kNavigating);
    SetNavigationSoundKey(true);
    EXPECT_TRUE(RegistryDifferences(both, ReadRegistryTree(HKEY_CURRENT_USER, kNavigating)).empty());
    SetNavigationSoundKey(false);
    EXPECT_TRUE(RegistryDifferences(both, ReadRegistryTree(HKEY_CURRENT_USER, kNavigating)).empty());

    DeleteRegistryTree(HKEY_CURRENT_USER, kNavigating + L"\\.Current");
    SetNavigationSoundKey(false);
    EXPECT_FALSE(Sound(L"Old_Current").Exists);
    EXPECT_EQ(Sound(L".Current").Values.count(L""), 1u);
    EXPECT_TRUE(RegistryDifferences(both.Keys.at(L"Old_Current"), Sound(L".Current")).empty());
}

TEST_F(NavigationSoundTest, WithoutTheNavigatingKeyNeitherDirectionCreatesAnything) {
    SetNavigationSoundKey(false);
    SetNavigationSoundKey(true);
    EXPECT_FALSE(ReadRegistryTree(HKEY_CURRENT_USER, kNavigating).Exists);
    EXPECT_FALSE(MoveRegistryKey(HKEY_CURRENT_USER, kNavigating, kNavigating + L"2"));
    EXPECT_FALSE(ReadRegistryTree(HKEY_CURRENT_USER, kNavigating + L"2").Exists);
}

TEST_F(NavigationSoundTest, TheEngineVersionChoosesTheFeatureSwitchOrTheRegistry) {
    struct TCase {
        const char* version;
        const char* major;
        bool byFeature;
    } cases[] = {
        {"6.0.2900.2180", "6", false},
        {"8.00.6001.18702", "8", true},
        {"11", "11", true},  // no dot: the whole text
        {"", "", false},
        {"$8.1", "$8", true},   // hexadecimal, as the runtime reads integers
        {"v7.0", "v7", false},  // not a number
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(MajorVersionOf(c.version), c.major);
        MakeCurrentSound();
        SetInternetFeatureEnabled(FEATURE_DISABLE_NAVIGATION_SOUNDS, SET_FEATURE_ON_PROCESS, false);
        SwitchNavigationSound(c.version, true);
        EXPECT_EQ(IsInternetFeatureEnabled(FEATURE_DISABLE_NAVIGATION_SOUNDS, SET_FEATURE_ON_PROCESS) == S_OK,
                  c.byFeature);
        EXPECT_EQ(Sound(L".Current").Exists, c.byFeature);
        SwitchNavigationSound(c.version, false);
        EXPECT_EQ(IsInternetFeatureEnabled(FEATURE_DISABLE_NAVIGATION_SOUNDS, SET_FEATURE_ON_PROCESS), S_FALSE);
        EXPECT_TRUE(Sound(L".Current").Exists);
        EXPECT_FALSE(Sound(L"Old_Current").Exists);
        DeleteRegistryTree(HKEY_CURRENT_USER, kNavigating);
    }
}

TEST(EngineVersion, IsTheFileVersionOfTheSystemEnginesLibrary) {
    const std::string version = GetIEVersion();
    ASSERT_FALSE(version.empty());
    int32_t major = 0;
    ASSERT_TRUE(ui::TryStrToInt(GetIEMajorVersion(), major)) << version;
    EXPECT_GE(major, 6);
    EXPECT_EQ(version.compare(0, GetIEMajorVersion().size() + 1, GetIEMajorVersion() + "."), 0) << version;
}

// The version the test prefix reports is set for one program at a time,
// so the rest of the suite keeps the prefix's own.
TEST(PlatformVersion, XPSP2OrLaterFollowsTheVersionThePlatformReports) {
    const struct {
        const char* wineVersion;
        DWORD expected;
    } cases[] = {{"win2k", 0}, {"winxp", 1}, {"win7", 1}};
    TTempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wineVersion);
        const std::string program = std::string("probe_") + c.wineVersion + ".exe";
        ASSERT_TRUE(CopyFileA(WindowsPathOf(PLATFORM_PROBE_EXE).c_str(), (folder.Path() + program).c_str(), FALSE));
        const std::wstring appKey = L"Software\\Wine\\AppDefaults\\" + ui::AnsiToWide(program);
        TRegistryGuard guard(HKEY_CURRENT_USER, appKey);
        PutText(appKey, L"Version", ui::AnsiToWide(c.wineVersion));

        std::string commandLine = "\"" + folder.Path() + program + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                   &process));
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        EXPECT_EQ(code, c.expected);
    }
}

// ---- the floating-point control word ----

namespace {
int g_divisionsCaught = 0;

// Takes a floating-point division by zero as the platform raises it and
// goes on with every exception masked.
LONG CALLBACK CatchDivisionByZero(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_FLT_DIVIDE_BY_ZERO) return EXCEPTION_CONTINUE_SEARCH;
    ++g_divisionsCaught;
    info->ContextRecord->FloatSave.ControlWord |= 0x3F;
    info->ContextRecord->FloatSave.StatusWord &= ~0x80FFu;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Read from memory, so that the compiler cannot fold the division.
double Divide(double a, double b) {
    volatile double x = a, y = b;
    volatile double result = x / y;
    return result;
}
}  // namespace

TEST(FloatingPoint, WithFpExceptionsOffDivisionByZeroGivesInfinityAndOnAgainItRaises) {
#if !defined(__i386__)
    GTEST_SKIP() << "the x87 control word governs doubles only in 32-bit code; x86-64 computes them in SSE";
#endif
    const uint16_t original = GetFpuControlWord();
    const uint16_t savedBefore = SavedFpuControlWord;
    SavedFpuControlWord = 0x1332;  // a start-up word that reports division by zero
    PVOID handler = AddVectoredExceptionHandler(1, &CatchDivisionByZero);
    g_divisionsCaught = 0;
    TDisableErrors errors;

    errors.SetfpExceptions(false);
    EXPECT_FALSE(errors.fpExceptions());
    EXPECT_EQ(GetFpuControlWord() & ~0x40, 0x133F);  // bit 6 is reserved
    EXPECT_TRUE(std::isinf(Divide(1.0, 0.0)));
    EXPECT_EQ(g_divisionsCaught, 0);

    errors.SetfpExceptions(true);
    EXPECT_TRUE(errors.fpExceptions());
    EXPECT_EQ(GetFpuControlWord() & ~0x40, 0x1332);
    Divide(1.0, 0.0);
    EXPECT_EQ(g_divisionsCaught, 1);

    RemoveVectoredExceptionHandler(handler);
    SetFpuControlWord(original);
    SavedFpuControlWord = savedBefore;
}

// ---- the proxy routines ----

namespace {
std::vector<std::string> g_calls;
bool g_openFails = false, g_connectFails = false, g_setFails = false;
HINTERNET const kSession = reinterpret_cast<HINTERNET>(0x51);
HINTERNET const kConnection = reinterpret_cast<HINTERNET>(0x52);

std::string Text(const char* s) { return s ? std::string("\"") + s + "\"" : "null"; }
// Nothing for the session handle, " ?" for one WinINet never gave.
std::string On(HINTERNET handle) { return handle == kSession ? "" : handle == kConnection ? " connection" : " ?"; }

HINTERNET WINAPI RecordOpen(LPCSTR agent, DWORD type, LPCSTR proxy, LPCSTR bypass, DWORD flags) {
    g_calls.push_back("open " + Text(agent) + " " + std::to_string(type) + " " + Text(proxy) + " " + Text(bypass) +
                      " " + std::to_string(flags));
    return g_openFails ? nullptr : kSession;
}
HINTERNET WINAPI RecordConnect(HINTERNET session, LPCSTR server, INTERNET_PORT port, LPCSTR user, LPCSTR password,
                               DWORD service, DWORD flags, DWORD_PTR context) {
    g_calls.push_back("connect" + On(session) + " " + Text(server) + " " + std::to_string(port) + " " + Text(user) + " " +
                      Text(password) + " " + std::to_string(service) + " " + std::to_string(flags) + " " +
                      std::to_string(context));
    return g_connectFails ? nullptr : kConnection;
}
BOOL WINAPI RecordSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
    std::string call = "set" + On(handle) + " " + std::to_string(option) + " " + std::to_string(length);
    if (option == INTERNET_OPTION_PER_CONNECTION_OPTION) {
        auto* list = static_cast<INTERNET_PER_CONN_OPTION_LISTA*>(buffer);
        call += " size " + std::to_string(list->dwSize) + " " + Text(list->pszConnection) + " count " +
                std::to_string(list->dwOptionCount);
        for (DWORD i = 0; i < list->dwOptionCount; ++i) {
            const INTERNET_PER_CONN_OPTIONA& o = list->pOptions[i];
            call += " | " + std::to_string(o.dwOption) + "=" +
                    (o.dwOption == INTERNET_PER_CONN_FLAGS ? std::to_string(o.Value.dwValue) : Text(o.Value.pszValue));
        }
    } else if (buffer) {
        call += " with a buffer";
    }
    g_calls.push_back(call);
    return !g_setFails;
}
BOOL WINAPI RecordClose(HINTERNET handle) {
    g_calls.push_back("close" + On(handle));
    return TRUE;
}

class ProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = WinInet;
        WinInet = {&RecordOpen, &RecordConnect, &RecordSetOption, &RecordClose};
        g_calls.clear();
        g_openFails = g_connectFails = g_setFails = false;
        ProxyApplied = false;
    }
    void TearDown() override {
        WinInet = saved;
        ProxyApplied = false;
    }
    TEmbeddedWB& Browser() {
        if (!browser) browser.reset(new TEmbeddedWB(nullptr));
        return *browser;
    }
    standin::TStandInRegistration registration;
    TWinInetEntries saved = {};
    std::unique_ptr<TEmbeddedWB> browser;
};

// The list's size: 20 bytes in the 32-bit program.
const std::string kListSize = std::to_string(sizeof(INTERNET_PER_CONN_OPTION_LISTA));
const std::string kOptions = "set 75 " + kListSize + " size " + kListSize + " null count 3 | 1=3 | 2=";
const std::string kRefresh = "set 37 0";
}  // namespace

TEST_F(ProxyTest, ApplyingTheSettingsHandsWinINetTheOptionsTheConnectionAndTheAgent) {
    struct TCase {
        const char* name;
        const char* user;
        int32_t port;
        bool openFails, connectFails, setFails;
        std::vector<std::string> calls;
        bool applied;
    } cases[] = {
        {"address and port", "", 8080, false, false, false,
         {"open \"Proxy agent\" 1 null null 0", kOptions + "\"A:8080\" | 3=\"<local>\"", kRefresh, "close"}, true},
        {"with credentials", "user", 8080, false, false, false,
         {"open \"Proxy agent\" 1 null null 0", "connect \"A\" 8080 \"user\" \"secret\" 3 0 0",
          kOptions + "\"A\" | 3=\"<local>\"", kRefresh, "close connection", "close"},
         true},
        {"a port past 16 bits", "user", 70000, false, false, false,
         {"open \"Proxy agent\" 1 null null 0", "connect \"A\" 4464 \"user\" \"secret\" 3 0 0",
          kOptions + "\"A\" | 3=\"<local>\"", kRefresh, "close connection", "close"},
         true},
        {"open fails", "", 8080, true, false, false, {"open \"Proxy agent\" 1 null null 0"}, false},
        {"connect fails", "user", 8080, false, true, false,
         {"open \"Proxy agent\" 1 null null 0", "connect \"A\" 8080 \"user\" \"secret\" 3 0 0", "close"}, false},
        {"options refused", "", 8080, false, false, true,
         {"open \"Proxy agent\" 1 null null 0", kOptions + "\"A:8080\" | 3=\"<local>\"", "close"}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_calls.clear();
        g_openFails = c.openFails;
        g_connectFails = c.connectFails;
        g_setFails = c.setFails;
        ProxyApplied = !c.applied;
        TProxySettings& proxy = Browser().ProxySettings();
        proxy.Address = "A";
        proxy.Port = c.port;
        proxy.UserName = c.user;
        proxy.Password = "secret";
        proxy.UserAgent = "Proxy agent";
        Browser().SetUserAgent("Component agent");
        Browser().ApplyProxySettings();
        EXPECT_EQ(g_calls, c.calls);
        EXPECT_EQ(ProxyApplied, c.applied);
    }
}

TEST_F(ProxyTest, ResetSetsDirectAccessAndAnswersFalseOnlyWhenWinINetCannotBeOpened) {
    const std::vector<std::string> calls = {"open \"\" 1 null null 0", kOptions + "\"\" | 3=\"<local>\"", kRefresh,
                                            "close"};
    EXPECT_TRUE(ResetProxy());
    EXPECT_EQ(g_calls, calls);
    g_calls.clear();
    g_setFails = true;  // the outcome of the options is not looked at
    EXPECT_TRUE(ResetProxy());
    EXPECT_EQ(g_calls, calls);
    g_calls.clear();
    g_openFails = true;
    EXPECT_FALSE(ResetProxy());
    EXPECT_EQ(g_calls, std::vector<std::string>{"open \"\" 1 null null 0"});
}
