// HTMLCode, Go, Wait and loading document text, with the stand-in control
// playing the engine.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"
#include "support/StandInDocument.h"
#include "support/WineTestSupport.h"

using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<ui::TForm>(nullptr);
        form->SetBounds(50, 50, 400, 300);
        browser = new TEmbeddedWB(form.get());
        browser->SetParent(form.get());
        browser->SetBounds(0, 0, 300, 200);
        form->Show();
        browser->HandleNeeded();
        ASSERT_NE(registration.Last(), nullptr);
    }
    void TearDown() override {
        form.reset();
        if (load.keptStream) load.keptStream->Release();
    }
    TStandInBrowser& Control() { return *registration.Last(); }
    void GiveDocument(bool withPersistStream = true) {
        IUnknown* document = withPersistStream ? StandInDocument_CreateLoadable(&state, &load)
                                               : StandInDocument_Create(&state);
        Control().LoadDocument(document);
    }
    std::string Loaded() const { return std::string(load.loaded, load.loadedSize); }

    TStandInRegistration registration;
    StandInDocumentState state = {};
    StandInLoadState load = {};
    std::unique_ptr<ui::TForm> form;
    TEmbeddedWB* browser = nullptr;
};

TEST_F(DocumentTest, HTMLCodeNavigatesToAnAddressAndLoadsAnythingElseAsTheDocument) {
    GiveDocument();
    struct Case {
        std::vector<std::string> lines;
        const wchar_t* navigated;  // null: loaded as text
        const char* loaded;
    };
    const Case cases[] = {
        {{"ABOUT:blank"}, L"ABOUT:blank", nullptr},
        {{"About:Home"}, L"About:Home", nullptr},
        {{"www.example.com and some words"}, L"www.example.com and some words", nullptr},
        {{"FILE:c:/x.html"}, L"FILE:c:/x.html", nullptr},
        {{"http://example.com/", "<p>second line</p>"}, nullptr, "http://example.com/\r\n<p>second line</p>\r\n"},
        {{"<html>page</html>"}, nullptr, "<html>page</html>\r\n"},
        {{"abou"}, nullptr, "abou\r\n"},
        {{}, nullptr, ""},
        {{}, nullptr, ""},  // empty already: the assignment still loads
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? std::string("(empty)") : c.lines[0]);
        Control().navigations.clear();
        Control().calls.clear();
        load.loadCalls = 0;
        browser->HTMLCode().Assign(c.lines);
        if (c.navigated) {
            ASSERT_EQ(Control().navigations.size(), 1u);
            EXPECT_EQ(Control().navigations[0], c.navigated);
            EXPECT_EQ(Control().calls.back(), "Navigate2");
            EXPECT_EQ(load.loadCalls, 0);
        } else {
            EXPECT_TRUE(Control().navigations.empty());
            EXPECT_EQ(load.loadCalls, 1);
            EXPECT_EQ(Loaded(), c.loaded);
        }
    }
}

TEST_F(DocumentTest, GoNavigatesAFolderAsAFileAddressAtOnceAndBlanksNowhere) {
    testsupport::TTempFolder folder;
    Control().holdReadyState = true;  // any waiting would time out
    EXPECT_TRUE(browser->Go(folder.Path(), 5000));
    ASSERT_EQ(Control().navigations.size(), 1u);
    EXPECT_EQ(Control().navigations[0], L"file:///" + ui::AnsiToWide(folder.Path()));
    EXPECT_EQ(Control().readyStateReads, 0);
    EXPECT_TRUE(browser->Go(" \t ", 5000));
    EXPECT_TRUE(browser->Go("", 5000));
    EXPECT_EQ(Control().navigations.size(), 1u);
    EXPECT_EQ(Control().readyStateReads, 0);
}

TEST_F(DocumentTest, WaitEndsAfterItsTimeOutOrWhenABusyWaitHandlerSaysSo) {
    Control().holdReadyState = true;
    DWORD start = GetTickCount();
    EXPECT_FALSE(browser->Go("http://127.0.0.1/never", 1000));
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, 15000u);  // generous: only a hang fails

    // A handler that lifts the time-out each time: waits for completion.
    struct TSink {
        TStandInBrowser* control;
        int calls = 0;
        bool cancelAt2 = false;
        void OnBusyWait(TEmbeddedWB*, uint32_t startTime, uint32_t& timeOut, bool& cancel) {
            ++calls;
            timeOut = 0;
            if (cancelAt2 && calls == 2) cancel = true;
            if (GetTickCount() - startTime > 1500) control->holdReadyState = false;
        }
    } sink{&Control()};
    browser->OnBusyWait = TOnBusyWait::Of<&TSink::OnBusyWait>(&sink);
    start = GetTickCount();
    EXPECT_TRUE(browser->Wait(1000));
    EXPECT_GE(GetTickCount() - start, 1500u);
    EXPECT_FALSE(Control().holdReadyState);

    Control().holdReadyState = true;
    sink.calls = 0;
    sink.cancelAt2 = true;
    EXPECT_FALSE(browser->Wait(0));
    EXPECT_EQ(sink.calls, 2);
}

TEST_F(DocumentTest, WaitEndsWithTrueWhenTheApplicationTerminatesOrTheComponentGoes) {
    Control().holdReadyState = true;
    browser->Destroying = true;
    EXPECT_TRUE(browser->Wait(0));
    browser->Destroying = false;
    ui::Application->Terminate();
    const DWORD start = GetTickCount();
    EXPECT_TRUE(browser->Wait(60000));
    EXPECT_LT(GetTickCount() - start, 15000u);
}

TEST_F(DocumentTest, LoadingTextWithoutADocumentStartsAnEmptyOneAndAnswersSFalse) {
    browser->HTMLCode().Assign(std::vector<std::string>{"<b>x</b>", "y"});
    // Asked for before the text is written and again before it is loaded.
    ASSERT_EQ(Control().navigations.size(), 2u);
    EXPECT_EQ(Control().navigations[0], L"about:blank");
    EXPECT_EQ(Control().navigations[1], L"about:blank");
    ui::TStringList lines;
    lines.Add("<i>z</i>");
    EXPECT_EQ(browser->LoadFromStrings(lines), S_FALSE);

    // A document without IPersistStreamInit fails the same way.
    GiveDocument(false);
    EXPECT_EQ(browser->LoadFromStrings(lines), S_FALSE);
    EXPECT_EQ(load.loadCalls, 0);
}

TEST_F(DocumentTest, ADocumentThatKeepsTheStreamReadsTheWholeTextLaterWhateverBecameOfTheSource) {
    load.keepStream = TRUE;
    GiveDocument();
    struct TRow {
        const char* Name;
        std::function<HRESULT()> Load;
        const char* Read;
    } rows[] = {
        {"text whose stream went with the load",
         [this] {
             ui::TStringList lines;
             lines.Add("<p>kept</p>");
             return browser->LoadFromStrings(lines);
         },
         "<p>kept</p>\r\n"},
        {"a stream its owner changed after the load",
         [this] {
             ui::TMemoryStream stream;
             stream.Write("<b>mine</b>", 11);
             const HRESULT hr = browser->LoadFromStream(stream);
             stream.Clear();
             stream.Write("other", 5);
             return hr;
         },
         "<b>mine</b>"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Load(), S_OK);
        EXPECT_EQ(Loaded(), "");  // nothing read during Load
        ASSERT_NE(load.keptStream, nullptr);
        StandInDocument_ReadKeptStream(&load);
        EXPECT_EQ(Loaded(), row.Read);
        load.keptStream->Release();
        load.keptStream = nullptr;
    }
}

}  // namespace
