// The container and the wrapper against the stand-in control.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

#include "browser/host/SHDocVw_EWB.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using ewb::TEWB;
using ewb::WordBool;
using standin::TStandInBrowser;
using standin::TStandInRegistration;

namespace {

class TBrowserForm : public TForm {
public:
    explicit TBrowserForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetClientWidth(400);
        SetClientHeight(300);
    }
    const char* ClassName() const override { return "TBrowserForm"; }
};

class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TBrowserForm(nullptr));
        browser = new TEWB(form.get());
        browser->SetParent(form.get());
        browser->SetAlign(alClient);
    }
    void TearDown() override { form.reset(); }
    TStandInBrowser& Control() { return *registration.Last(); }

    TStandInRegistration registration;  // before the form: it outlives it
    std::unique_ptr<TBrowserForm> form;
    TEWB* browser = nullptr;

public:
    // Handlers
    std::vector<std::wstring> statusTexts;
    int beforeNavigateCalls = 0;
    std::wstring beforeNavigateUrl;
    bool cancelNavigation = false;
    void StatusTextChange(TObject* sender, const std::wstring& text) {
        EXPECT_EQ(sender, browser);
        statusTexts.push_back(text);
    }
    void BeforeNavigate2(TObject*, IDispatch*, VARIANT& url, VARIANT&, VARIANT&, VARIANT&, VARIANT&,
                         WordBool& cancel) {
        ++beforeNavigateCalls;
        if (url.vt == VT_BSTR) beforeNavigateUrl = url.bstrVal;
        if (cancelNavigation) cancel = VARIANT_TRUE;
    }
    void ClientToHostWindow(TObject*, int32_t& cx, int32_t& cy) {
        cx += 10;
        cy = 77;
    }
};

VARIANTARG Text(const wchar_t* s) {
    VARIANTARG a;
    VariantInit(&a);
    a.vt = VT_BSTR;
    a.bstrVal = SysAllocString(s);
    return a;
}

}  // namespace

TEST_F(WrapperTest, ControlIsMadeAtConstructionAndLoadsItsStoredStateByteForByte) {
    ASSERT_EQ(registration.Instances().size(), 1u);
    EXPECT_EQ(Control().loadCalls + Control().initNewCalls, 0);  // not created yet

    std::vector<uint8_t> state(156);
    for (size_t i = 0; i < state.size(); ++i) state[i] = static_cast<uint8_t>(i * 7 + 3);
    browser->SetControlData(state);
    browser->BrowserInterface();
    EXPECT_EQ(Control().loadCalls, 1);
    EXPECT_EQ(Control().initNewCalls, 0);
    EXPECT_EQ(Control().loadedBytes, state);
    EXPECT_TRUE(Control().site);
    EXPECT_EQ(Control().advisedSinks(), 1);
}

TEST_F(WrapperTest, WithoutStoredStateTheControlIsInitialisedNew) {
    browser->BrowserInterface();
    EXPECT_EQ(Control().initNewCalls, 1);
    EXPECT_EQ(Control().loadCalls, 0);
}

TEST_F(WrapperTest, StateStoredAfterCreationIsLoadedByAFreshControl) {
    browser->BrowserInterface();  // created with InitNew
    std::vector<uint8_t> state(156, 0xAB);
    browser->SetControlData(state);
    browser->Navigate(L"about:blank");
    ASSERT_EQ(registration.Instances().size(), 2u);
    EXPECT_EQ(Control().loadedBytes, state);
    EXPECT_EQ(Control().navigations, std::vector<std::wstring>{L"about:blank"});
    // The first one was let go entirely.
    TStandInBrowser& first = *registration.Instances()[0];
    EXPECT_EQ(first.advisedSinks(), 0);
    EXPECT_FALSE(first.site);
}

TEST_F(WrapperTest, SaveHandsBackWhatTheControlWrote) {
    browser->BrowserInterface();
    Control().bytesToSave = {1, 2, 3, 4, 5};
    EXPECT_EQ(browser->SaveControlData(), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(browser->ControlData(), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(WrapperTest, BrowserInterfaceTwiceGivesTheSameReferenceAndQueriesOnce) {
    IWebBrowser2* first = browser->BrowserInterface();
    IWebBrowser2* second = browser->BrowserInterface();
    EXPECT_EQ(first, second);
    EXPECT_EQ(Control().QueriesFor(ewb::IID_EWBWebBrowser2), 1);
}

TEST_F(WrapperTest, NavigatePassesTheUrlAndTheStandardOmittedArguments) {
    browser->Navigate(L"http://127.0.0.1/games/pads.html");
    EXPECT_EQ(Control().navigations, std::vector<std::wstring>{L"http://127.0.0.1/games/pads.html"});
    EXPECT_EQ(std::count(Control().calls.begin(), Control().calls.end(), "Navigate with unexpected arguments"), 0);
}

TEST_F(WrapperTest, EventsReachTheHandlerInTheSamePositionEmptySlotsAreIgnored) {
    browser->BrowserInterface();
    browser->OnStatusTextChange = ewb::TEWBStatusTextChange::Of<&WrapperTest::StatusTextChange>(this);
    VARIANTARG text = Text(L"Loading");
    Control().FireEvent(102, {text});
    VariantClear(&text);
    EXPECT_EQ(statusTexts, std::vector<std::wstring>{L"Loading"});

    // No handler for TitleChange, and a DISPID the table does not know.
    VARIANTARG title = Text(L"Title");
    EXPECT_EQ(Control().FireEvent(113, {title}), S_OK);
    EXPECT_EQ(Control().FireEvent(9999, {title}), S_OK);
    VariantClear(&title);
    EXPECT_EQ(statusTexts.size(), 1u);
    EXPECT_FALSE(Control().FireBeforeNavigate2(L"http://x/"));  // no handler: not cancelled
}

TEST_F(WrapperTest, CancelSetInBeforeNavigate2ReachesTheControl) {
    browser->BrowserInterface();
    browser->OnBeforeNavigate2 = ewb::TEWBBeforeNavigate2::Of<&WrapperTest::BeforeNavigate2>(this);
    EXPECT_FALSE(Control().FireBeforeNavigate2(L"http://allowed/"));
    cancelNavigation = true;
    EXPECT_TRUE(Control().FireBeforeNavigate2(L"http://refused/"));
    EXPECT_EQ(beforeNavigateCalls, 2);
    EXPECT_EQ(beforeNavigateUrl, L"http://refused/");
}

TEST_F(WrapperTest, ByReferenceIntegersAreWrittenBack) {
    browser->BrowserInterface();
    browser->OnClientToHostWindow = ewb::TEWBClientToHostWindow::Of<&WrapperTest::ClientToHostWindow>(this);
    LONG cx = 100, cy = 50;
    VARIANTARG a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = b.vt = VT_BYREF | VT_I4;
    a.plVal = &cx;
    b.plVal = &cy;
    Control().FireEvent(268, {a, b});
    EXPECT_EQ(cx, 110);
    EXPECT_EQ(cy, 77);
}

TEST_F(WrapperTest, PropertiesGoToTheControlByDispid) {
    browser->SetSilent(VARIANT_TRUE);
    ASSERT_TRUE(Control().properties.count(551));
    EXPECT_EQ(Control().properties[551].vt, VT_BOOL);
    EXPECT_EQ(Control().properties[551].boolVal, VARIANT_TRUE);
    EXPECT_EQ(browser->Silent(), VARIANT_TRUE);

    browser->SetStatusText(L"ready");
    EXPECT_EQ(browser->StatusText(), L"ready");
    browser->SetToolBar(3);
    EXPECT_EQ(browser->ToolBar(), 3);
    EXPECT_EQ(Control().properties[405].lVal, 3);

    // The control refuses a property it does not have: its own code and text.
    try {
        browser->Offline();
        FAIL() << "no error raised";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
        EXPECT_EQ(e.Message(), "No such property here");
    }
}

TEST_F(WrapperTest, AFailingCallRaisesTheOleErrorWithItsCode) {
    browser->BrowserInterface();
    Control().failWith = static_cast<HRESULT>(0x80041234);
    try {
        browser->Navigate(L"http://x/");
        FAIL() << "no error raised";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.ErrorCode()), 0x80041234u);
        EXPECT_EQ(e.Message(), "OLE error 80041234");
    }

    Control().failWith = E_ACCESSDENIED;
    try {
        VARIANT in;
        VariantInit(&in);
        browser->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, in);
        FAIL() << "no error raised";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_ACCESSDENIED);
        EXPECT_EQ(e.Message(), SysErrorMessage(static_cast<DWORD>(E_ACCESSDENIED)));
        EXPECT_FALSE(e.Message().empty());
    }

    Control().failDescription = L"The page is not allowed";
    try {
        browser->Navigate(L"http://x/");
        FAIL() << "no error raised";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message(), "The page is not allowed");
    }
}

TEST_F(WrapperTest, ActivatedInPlaceTheEngineWindowIsTheComponentsWindow) {
    form->Show();
    ASSERT_TRUE(browser->HandleAllocated());
    EXPECT_TRUE(Control().inPlaceActive);
    EXPECT_EQ(Control().hostWindow, form->Handle());
    EXPECT_EQ(browser->Handle(), Control().shellEmbedding);
    EXPECT_EQ(GetParent(Control().shellEmbedding), form->Handle());
    RECT r;
    GetWindowRect(Control().shellEmbedding, &r);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);

    // The form's size reaches the control through the in-place object.
    form->SetClientWidth(500);
    GetWindowRect(Control().shellEmbedding, &r);
    EXPECT_EQ(r.right - r.left, 500);
}

TEST_F(WrapperTest, SiteViewsShareOneIdentityAndCountsNeverFreeTheComponent) {
    browser->BrowserInterface();
    IOleClientSite* site = Control().site.Get();
    ComPtr<IOleInPlaceSite> inPlace;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&inPlace)), S_OK);
    ComPtr<IOleControlSite> controlSite;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&controlSite)), S_OK);
    ComPtr<IOleInPlaceFrame> frame;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&frame)), S_OK);
    IUnknown *a = nullptr, *b = nullptr, *c = nullptr;
    site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
    inPlace->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
    controlSite->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&c));
    EXPECT_EQ(a, b);
    EXPECT_EQ(b, c);
    for (int i = 0; i < 10; ++i) site->Release();  // more releases than references
    EXPECT_EQ(site->QueryInterface(IID_PPV_ARGS(&inPlace)), S_OK);
    EXPECT_EQ(browser->Parent(), form.get());
}

TEST_F(WrapperTest, TheContainersAmbientAnswers) {
    browser->SetName("EmbeddedWB1");
    browser->BrowserInterface();
    ComPtr<IDispatch> ambient;
    ASSERT_EQ(Control().site.As(&ambient), S_OK);
    auto get = [&](DISPID id, VARIANT& out) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VariantInit(&out);
        return ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &out, nullptr, nullptr);
    };
    VARIANT v;
    for (DISPID id : {-715, -714, -706, -709}) {
        ASSERT_EQ(get(id, v), S_OK) << id;
        EXPECT_EQ(v.vt, VT_BOOL);
        EXPECT_EQ(v.boolVal, VARIANT_TRUE) << id;
    }
    for (DISPID id : {-712, -711, -710}) {
        ASSERT_EQ(get(id, v), S_OK) << id;
        EXPECT_EQ(v.boolVal, VARIANT_FALSE) << id;
    }
    ASSERT_EQ(get(-705, v), S_OK);
    EXPECT_EQ(static_cast<LCID>(v.lVal), GetUserDefaultLCID());
    ASSERT_EQ(get(-702, v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(v.bstrVal), L"EmbeddedWB1");
    VariantClear(&v);
    ASSERT_EQ(get(-703, v), S_OK);
    EXPECT_EQ(v.vt, VT_DISPATCH);
    VariantClear(&v);
    EXPECT_EQ(get(-5512, v), DISP_E_MEMBERNOTFOUND);
    // Only property gets with somewhere to put the answer.
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(ambient->Invoke(-715, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(WrapperTest, DestroyingTheComponentLetsTheControlGo) {
    form->Show();
    TStandInBrowser& control = Control();
    HWND window = control.shellEmbedding;
    form.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(control.advisedSinks(), 0);
    EXPECT_FALSE(control.site);
    EXPECT_NE(std::find(control.calls.begin(), control.calls.end(), "Close"), control.calls.end());
    EXPECT_EQ(control.References(), 1);  // only the registration's own
}

namespace {
// A derived component that serves an interface of its own on the site.
class TCommandTargetEWB : public TEWB, public IOleCommandTarget {
public:
    using TEWB::TEWB;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return SiteUnknown()->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return SiteUnknown()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return SiteUnknown()->Release(); }
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) override {
        ++execs;
        return S_OK;
    }
    int execs = 0;
    bool answerDispatch = false;

protected:
    HRESULT QueryHostInterface(REFIID iid, void** object) override {
        if (iid == IID_IOleCommandTarget || (answerDispatch && iid == IID_IDispatch)) {
            *object = static_cast<IOleCommandTarget*>(this);
            AddRef();
            return S_OK;
        }
        return TEWB::QueryHostInterface(iid, object);
    }
};
}  // namespace

TEST(WrapperSite, ADerivedComponentAnswersOnTheSiteBeforeTheContainer) {
    TStandInRegistration registration;
    TBrowserForm form(nullptr);
    auto* browser = new TCommandTargetEWB(&form);
    browser->SetParent(&form);
    browser->BrowserInterface();
    IOleClientSite* site = registration.Last()->site.Get();
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&target)), S_OK);
    target->Exec(nullptr, 1, 0, nullptr, nullptr);
    EXPECT_EQ(browser->execs, 1);
    // One identity across the container's views and the derived one.
    IUnknown *fromSite = nullptr, *fromTarget = nullptr;
    site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromSite));
    target->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromTarget));
    EXPECT_EQ(fromSite, fromTarget);
    // The derived table comes first even for an interface the container has.
    ComPtr<IDispatch> dispatch;
    site->QueryInterface(IID_PPV_ARGS(&dispatch));
    EXPECT_NE(static_cast<void*>(dispatch.Get()), static_cast<void*>(static_cast<IOleCommandTarget*>(browser)));
    browser->answerDispatch = true;
    site->QueryInterface(IID_PPV_ARGS(&dispatch));
    EXPECT_EQ(static_cast<void*>(dispatch.Get()), static_cast<void*>(static_cast<IOleCommandTarget*>(browser)));
}

namespace {
// A derived component whose view on the site is an object of its own count
// (its one reference is the one it is handed out with), answering its
// queries through the site, or as an object of its own identity.
class TTearOffEWB : public TEWB, public IOleCommandTarget {
public:
    using TEWB::TEWB;
    bool ownIdentity = false;
    long refs = 0;       // the view's
    bool gone = false;  // its count fell to 0: a view of its own would have been freed
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!ownIdentity) return SiteUnknown()->QueryInterface(iid, object);
        *object = static_cast<IOleCommandTarget*>(this);
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        gone = --refs == 0;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) override { return S_OK; }

protected:
    HRESULT QueryHostInterface(REFIID iid, void** object) override {
        if (iid != IID_IOleCommandTarget) return TEWB::QueryHostInterface(iid, object);
        refs = 1;  // made anew
        gone = false;
        *object = static_cast<IOleCommandTarget*>(this);
        return S_OK;
    }
};
}  // namespace

TEST(WrapperSite, AViewOfADerivedComponentIsHandedOutWithItsOwnReferenceAndOnlyWithTheSitesIdentity) {
    TStandInRegistration registration;
    TBrowserForm form(nullptr);
    auto* browser = new TTearOffEWB(&form);
    browser->SetParent(&form);
    browser->BrowserInterface();
    IOleClientSite* site = registration.Last()->site.Get();
    ComPtr<IUnknown> identity;
    site->QueryInterface(IID_PPV_ARGS(&identity));
    for (bool ownIdentity : {false, true}) {
        browser->ownIdentity = ownIdentity;
        ComPtr<IOleCommandTarget> target;
        std::string seen = std::to_string(site->QueryInterface(IID_PPV_ARGS(&target)));
        seen += browser->gone ? " freed" : " alive";
        ComPtr<IUnknown> unknown;
        if (target) target.As(&unknown);
        seen += unknown && unknown.Get() == identity.Get() ? " the site's identity" : " no view of the site's identity";
        EXPECT_EQ(seen, ownIdentity ? std::to_string(E_NOINTERFACE) + " freed no view of the site's identity"
                                    : "0 alive the site's identity");
    }
}

namespace {

// A handler for every event slot: it notes its slot's place and the
// parameters it sees (in the stand-in's notation), and answers in its var
// parameters: Cancel true, integers one more, a variant the integer 7 and
// an object its own.
class TEventRecorder {
public:
    explicit TEventRecorder(TEWB* sender) : sender_(sender) {}
    std::string seen;

    template <typename... M>
    void BindAll(M&... events) {
        int place = 0;
        (Bind(events, slots_[place++]), ...);
    }

private:
    struct TSlot {
        TEventRecorder* Recorder;
        int Place;
        template <typename... A>
        void Record(TObject* sender, A... args) {
            std::string& seen = Recorder->seen;
            seen = std::to_string(Place) + (sender == Recorder->sender_ ? "" : " from elsewhere");
            (Recorder->Take<A>(args), ...);
        }
    };
    template <typename M>
    struct TBinder;
    template <typename... A>
    struct TBinder<ui::TMethod<void(TObject*, A...)>> {
        static ui::TMethod<void(TObject*, A...)> To(TSlot* slot) {
            return ui::TMethod<void(TObject*, A...)>::template Of<&TSlot::template Record<A...>>(slot);
        }
    };
    template <typename M>
    void Bind(M& event, TSlot& slot) {
        slot = TSlot{this, static_cast<int>(&slot - slots_)};
        event = TBinder<M>::To(&slot);
    }
    template <typename A, typename V>
    void Take(V& value) {
        seen += " " + Text(value);
        if constexpr (std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>) Answer(value);
    }
    static std::string Text(const std::wstring& s) { return "s:" + WideToAnsi(s); }
    static std::string Text(int32_t i) { return "i:" + std::to_string(i); }
    static std::string Text(uint32_t i) { return "i:" + std::to_string(i); }
    static std::string Text(WordBool b) { return b ? "b:1" : "b:0"; }
    static std::string Text(IDispatch* d) { return d ? "d" : "null"; }
    static std::string Text(const VARIANT& v) {
        if (v.vt == VT_BSTR) return "s:" + WideToAnsi(v.bstrVal ? v.bstrVal : L"");
        if (v.vt == VT_I4) return "i:" + std::to_string(v.lVal);
        if (v.vt == VT_BOOL) return v.boolVal ? "b:1" : "b:0";
        return v.vt == VT_EMPTY ? "e" : "vt " + std::to_string(v.vt);
    }
    void Answer(WordBool& b) { b = VARIANT_TRUE; }
    void Answer(int32_t& i) { ++i; }
    void Answer(VARIANT& v) {
        VariantClear(&v);
        v.vt = VT_I4;
        v.lVal = 7;
    }
    void Answer(IDispatch*& d) {
        d = sender_->DefaultDispatch();
        d->AddRef();  // carries its own reference, as handed-out objects must
    }

    TEWB* sender_;
    TSlot slots_[34] = {};
};

}  // namespace

TEST_F(WrapperTest, EveryEventReachesItsHandlerWithItsParametersAndTheAnswersReachTheControl) {
    browser->BrowserInterface();
    TEventRecorder recorder(browser);
    TEWB& w = *browser;
    recorder.BindAll(w.OnStatusTextChange, w.OnProgressChange, w.OnCommandStateChange, w.OnDownloadBegin,
                     w.OnDownloadComplete, w.OnTitleChange, w.OnPropertyChange, w.OnBeforeNavigate2, w.OnNewWindow2,
                     w.OnNavigateComplete2, w.OnDocumentComplete, w.OnQuit, w.OnVisible, w.OnToolBar, w.OnMenuBar,
                     w.OnStatusBar, w.OnFullScreen, w.OnTheaterMode, w.OnAddressBar, w.OnWindowSetResizable,
                     w.OnWindowSetLeft, w.OnWindowSetTop, w.OnWindowSetWidth, w.OnWindowSetHeight, w.OnWindowClosing,
                     w.OnClientToHostWindow, w.OnSetSecureLockIcon, w.OnFileDownload, w.OnNavigateError,
                     w.OnPrintTemplateInstantiation, w.OnPrintTemplateTeardown, w.OnUpdatePageStatus,
                     w.OnPrivacyImpactedStateChange, w.OnNewWindow3);
    struct TRow {
        DISPID Dispid;
        const char* Sent;
        const char* Seen;   // the handler's place, then its parameters
        const char* After;  // the by-reference arguments as the control finds them
    } rows[] = {
        {102, "s:Loading", "0 s:Loading", ""},
        {108, "i:5 i:10", "1 i:5 i:10", ""},
        {105, "i:2 b:1", "2 i:2 b:1", ""},
        {106, "", "3", ""},
        {104, "", "4", ""},
        {113, "s:Title", "5 s:Title", ""},
        {112, "s:prop", "6 s:prop", ""},
        {250, "d &v:s:http://x/ &v:i:0 &v:s:frame &v:e &v:s:hdr &b:0",
         "7 d s:http://x/ i:0 s:frame e s:hdr b:0", "i:7 i:7 i:7 i:7 i:7 b:1"},
        {251, "&d &b:0", "8 null b:0", "d b:1"},
        {252, "d &v:s:http://x/", "9 d s:http://x/", "i:7"},
        {259, "d &v:s:http://y/", "10 d s:http://y/", "i:7"},
        {253, "", "11", ""},
        {254, "b:1", "12 b:1", ""},
        {255, "b:0", "13 b:0", ""},
        {256, "b:1", "14 b:1", ""},
        {257, "b:0", "15 b:0", ""},
        {258, "b:1", "16 b:1", ""},
        {260, "b:0", "17 b:0", ""},
        {261, "b:1", "18 b:1", ""},
        {262, "b:0", "19 b:0", ""},
        {264, "i:-5", "20 i:-5", ""},
        {265, "i:6", "21 i:6", ""},
        {266, "i:640", "22 i:640", ""},
        {267, "i:480", "23 i:480", ""},
        {263, "b:1 &b:0", "24 b:1 b:0", "b:1"},
        {268, "&i:100 &i:50", "25 i:100 i:50", "i:101 i:51"},
        {269, "i:3", "26 i:3", ""},
        // ActiveDocument, then Cancel, as the control fires it; Cancel alone
        // from an older control.
        {270, "b:1 &b:0", "27 b:0", "b:1"},
        {270, "&b:0", "27 b:0", "b:1"},
        {271, "d &v:s:http://x/ &v:s:frame &v:i:404 &b:0", "28 d s:http://x/ s:frame i:404 b:0",
         "i:7 i:7 i:7 b:1"},
        {225, "d", "29 d", ""},
        {226, "d", "30 d", ""},
        {227, "d &v:i:1 &v:b:1", "31 d i:1 b:1", "i:7 i:7"},
        {272, "b:1", "32 b:1", ""},
        {273, "&d &b:0 i:6 s:ctx s:url", "33 null b:0 i:6 s:ctx s:url", "d b:1"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.Dispid) + " " + row.Sent);
        recorder.seen.clear();
        EXPECT_EQ(Control().FireEventWith(row.Dispid, row.Sent), row.After);
        EXPECT_EQ(recorder.seen, row.Seen);
    }
}
