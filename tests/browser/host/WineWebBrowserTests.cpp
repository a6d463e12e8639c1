// The container and the wrapper against Wine's own WebBrowser control: what
// it shows up to the page request and its events.
#include <gtest/gtest.h>

#include <memory>

#include "browser/host/SHDocVw_EWB.h"
#include "framework/Forms.h"
#include "support/WineTestSupport.h"

using namespace ui;
using ewb::TEWB;
using ewb::WordBool;
using testsupport::EnvVar;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReadFileBytes;
using testsupport::WindowsPathOf;

namespace {

// Records which interfaces the control asks its site for.
class TRecordingEWB : public TEWB {
public:
    using TEWB::TEWB;
    std::vector<std::wstring> asked;

protected:
    HRESULT QueryHostInterface(REFIID iid, void** object) override {
        wchar_t text[40] = {};
        StringFromGUID2(iid, text, 40);
        asked.push_back(text);
        return TEWB::QueryHostInterface(iid, object);
    }
};


class WineBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TForm(nullptr));
        form->SetClientWidth(640);
        form->SetClientHeight(480);
        browser = new TRecordingEWB(form.get());
        browser->SetParent(form.get());
        browser->SetAlign(alClient);
    }
    void TearDown() override { form.reset(); }

    std::string ServerBase() {
        std::string port = EnvVar("TEST_HTTP_PORT");
        return port.empty() ? std::string() : "http://127.0.0.1:" + port;
    }
    std::string RequestLog() { return ReadFileBytes(WindowsPathOf(EnvVar("TEST_HTTP_LOG"))); }

    std::unique_ptr<TForm> form;
    TRecordingEWB* browser = nullptr;

public:
    int beforeNavigate = 0;
    bool cancel = false;
    int navigateErrors = 0;
    LONG errorStatus = 0;
    std::wstring errorUrl;
    void BeforeNavigate2(TObject*, IDispatch*, VARIANT&, VARIANT&, VARIANT&, VARIANT&, VARIANT&, WordBool& c) {
        ++beforeNavigate;
        if (cancel) c = VARIANT_TRUE;
    }
    void NavigateError(TObject*, IDispatch*, VARIANT& url, VARIANT&, VARIANT& status, WordBool&) {
        ++navigateErrors;
        VARIANT v;
        VariantInit(&v);
        if (SUCCEEDED(VariantChangeType(&v, &status, 0, VT_I4))) errorStatus = v.lVal;
        if (url.vt == VT_BSTR) errorUrl = url.bstrVal;
    }
};

}  // namespace

TEST_F(WineBrowserTest, CreatedSitedAndActivatedInPlaceUnderTheForm) {
    form->Show();
    ASSERT_TRUE(browser->HandleAllocated());
    HWND window = browser->Handle();
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    EXPECT_EQ(std::wstring(cls), L"Shell Embedding") << window << " parent class " << [&] {
        wchar_t p[64] = {};
        GetClassNameW(GetParent(window), p, 64);
        return WideToAnsi(p);
    }();
    EXPECT_EQ(GetParent(window), form->Handle());
    // The document view below it comes with the first navigation.
    browser->Navigate(L"about:blank");
    HWND view = nullptr;
    PumpUntil([&] { return (view = GetWindow(window, GW_CHILD)) != nullptr; }, 5000);
    wchar_t viewClass[64] = {};
    GetClassNameW(view, viewClass, 64);
    EXPECT_EQ(std::wstring(viewClass), L"Shell DocObject View");

    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);

    // Sited: the control looked for the host's UI handler (IDocHostUIHandler)
    // on our site.
    auto& asked = browser->asked;
    EXPECT_NE(std::find(asked.begin(), asked.end(), L"{BD3F23C0-D43E-11CF-893B-00AA00BDCE1A}"), asked.end());
}

TEST_F(WineBrowserTest, BeforeNavigate2ReachesTheHandlerAndTheRequestIsMade) {
    std::string base = ServerBase();
    if (base.empty()) GTEST_SKIP() << "no test HTTP server";
    browser->OnBeforeNavigate2 = ewb::TEWBBeforeNavigate2::Of<&WineBrowserTest::BeforeNavigate2>(this);
    form->Show();
    browser->Navigate(AnsiToWide(base + "/wine/allowed.html"));
    EXPECT_TRUE(PumpUntil([&] { return RequestLog().find("GET /wine/allowed.html") != std::string::npos; }, 10000));
    EXPECT_GE(beforeNavigate, 1);
}

TEST_F(WineBrowserTest, CancelInBeforeNavigate2StopsTheRequest) {
    std::string base = ServerBase();
    if (base.empty()) GTEST_SKIP() << "no test HTTP server";
    browser->OnBeforeNavigate2 = ewb::TEWBBeforeNavigate2::Of<&WineBrowserTest::BeforeNavigate2>(this);
    cancel = true;
    form->Show();
    browser->Navigate(AnsiToWide(base + "/wine/cancelled.html"));
    PumpFor(1500);
    EXPECT_EQ(beforeNavigate, 1);
    EXPECT_EQ(RequestLog().find("/wine/cancelled.html"), std::string::npos);
}

TEST_F(WineBrowserTest, AMissingPageReachesOnNavigateError) {
    std::string base = ServerBase();
    if (base.empty()) GTEST_SKIP() << "no test HTTP server";
    browser->OnNavigateError = ewb::TEWBNavigateError::Of<&WineBrowserTest::NavigateError>(this);
    form->Show();
    browser->Navigate(AnsiToWide(base + "/status/404/missing.html"));
    ASSERT_TRUE(PumpUntil([&] { return navigateErrors > 0; }, 10000));
    // The HTTP status, or "no document object" where none can be made.
    EXPECT_TRUE(errorStatus == 404 || static_cast<uint32_t>(errorStatus) == 0x800C0010u) << std::hex << errorStatus;
    EXPECT_NE(errorUrl.find(L"/status/404/missing.html"), std::wstring::npos);
}

