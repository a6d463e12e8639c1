// The user agent in its modes, seen by the stand-in control and in the
// test prefix's registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "browser/component/EmbeddedWB.h"
#include "support/BrowserForm.h"
#include "support/RegistryTree.h"
#include "support/StandInBrowser.h"

using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;
using testsupport::ReadRegistryTree;
using testsupport::TBrowserForm;
using testsupport::TRegistryGuard;

namespace {

const std::wstring kUserAgentKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent";
const std::wstring kPostPlatform = kUserAgentKey + L"\\Post Platform";
const std::wstring kDecorated = L"User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";

class UserAgentTest : public ::testing::Test {
protected:
    void SetUp() override { form.reset(new TBrowserForm()); }
    TStandInBrowser& Control() { return *registration.Last(); }
    TEmbeddedWB& Browser() { return *form->Browser; }
    long UserAgentChanges() {
        auto& changes = Control().ambientChanges;
        return static_cast<long>(std::count(changes.begin(), changes.end(), -5513));
    }
    std::vector<std::wstring> PostPlatformValues() {
        std::vector<std::wstring> names;
        for (const auto& value : ReadRegistryTree(HKEY_CURRENT_USER, kPostPlatform).Values) {
            names.push_back(value.first);
            EXPECT_EQ(value.second.Type, static_cast<DWORD>(REG_SZ));
        }
        return names;
    }

    TRegistryGuard guard{HKEY_CURRENT_USER, kUserAgentKey};
    TStandInRegistration registration;
    std::unique_ptr<TBrowserForm> form;
};

}  // namespace

TEST_F(UserAgentTest, InternalModeDeclinesWithoutTextAndAnnouncesEachNewTextOnce) {
    Browser().SetUserAgentMode(uaInternal);
    std::wstring text = L"left over";
    EXPECT_EQ(Browser().ProvideUserAgent(text), S_FALSE);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(UserAgentChanges(), 0);

    Browser().SetUserAgent("Game/1.0");
    Browser().SetUserAgent("Game/1.0");
    EXPECT_EQ(UserAgentChanges(), 1);
    // The control asked the site again and was given the text with CR LF.
    EXPECT_EQ(Control().userAgentsRead, std::vector<std::wstring>{L"Game/1.0\r\n"});

    Browser().SetUserAgentMode(uaDefault);  // learnt when the control next asks
    EXPECT_EQ(Browser().ProvideUserAgent(text), S_FALSE);
    EXPECT_EQ(UserAgentChanges(), 1);
    EXPECT_TRUE(ReadRegistryTree(HKEY_CURRENT_USER, kPostPlatform).Values.count(kDecorated + L"(Game/1.0)") == 0);
}

TEST_F(UserAgentTest, RegistryModeWritesTheDecoratedNameAndTakesOnlyItsOwnValueAway) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPostPlatform.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Someone else's", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    RegCloseKey(key);

    Browser().SetUserAgentMode(uaRegistry);
    Browser().SetUserAgent("Game/1.0");
    EXPECT_EQ(PostPlatformValues(), (std::vector<std::wstring>{L"Someone else's", kDecorated + L"(Game/1.0)"}));
    const auto tree = ReadRegistryTree(HKEY_CURRENT_USER, kPostPlatform);
    EXPECT_EQ(tree.Values.at(kDecorated + L"(Game/1.0)").Data, (std::vector<BYTE>{0, 0}));  // empty text
    EXPECT_EQ(UserAgentChanges(), 0);

    Browser().SetUserAgent("Game/2.0");  // the earlier value goes first
    EXPECT_EQ(PostPlatformValues(), (std::vector<std::wstring>{L"Someone else's", kDecorated + L"(Game/2.0)"}));

    form.reset();
    EXPECT_EQ(PostPlatformValues(), std::vector<std::wstring>{L"Someone else's"});
}
