// The host's lifetime and its COM contract: what the control may still call
// while and after the component goes, and what the host hands out.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <new>

#include "browser/host/EwbCore.h"
#include "framework/Forms.h"
#include "HostFixture.h"
#include "support/StandInBrowser.h"
#include "support/StandInDocument.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;
using testsupport::TDialogWatcher;

// Allocation failures on request, for the COM methods that allocate.
namespace {
int g_failAllocations = 0;
}
void* operator new(std::size_t size) {
    if (g_failAllocations > 0) throw std::bad_alloc();
    if (void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

class LifetimeTest : public HostOnStandInTest<> {
protected:
    void SetUp() override { MakeHost(300, 200); }

public:
    // A handler that destroys the component's form, noting the references
    // the host still held on the control right after.
    long heldInHandler = -1;
    void DestroyForm() {
        form.reset();
        heldInHandler = Control().HostReferencesOnIt();
    }
    // The handlers of failing answers, each with something in its outs.
    StandInDocumentState counted = {};
    void RefusedLogin(TObject*, HWND& hwnd, std::wstring& user, std::wstring& password, HRESULT& r) {
        hwnd = form->Handle();
        user = L"player";
        password = L"secret";
        r = E_ACCESSDENIED;
    }
    void RefusedTypeInfo(TObject*, int32_t, int32_t, ComPtr<ITypeInfo>& info, HRESULT& r) {
        // Only its count is used: any counted object stands in.
        info = reinterpret_cast<ITypeInfo*>(StandInDocument_Create(&counted));
        info->Release();
        r = TYPE_E_ELEMENTNOTFOUND;
    }
    void RaisingCount(TObject*, int32_t& count, HRESULT&) {
        count = 5;
        throw Exception("No count");
    }
    void FailedCount(TObject*, int32_t& count, HRESULT& r) {
        count = 5;
        r = E_FAIL;
    }
    void CssGiven(TObject*, TDOCHOSTUIINFO& info) { info.pchHostCss = WideToTaskMem(L"body{}"); }

    ComPtr<IUnknown> supplied;
    void Supply(TObject*, const GUID&, const GUID&, ComPtr<IUnknown>& obj) { obj = supplied; }
    void External(TObject*, ComPtr<IDispatch>& external) { supplied.As(&external); }
    int statusEvents = 0;
    void Status(TObject*, const std::wstring&) { ++statusEvents; }
    int events = 0;
    void BeforeNavigate(TObject*, IDispatch*, VARIANT&, VARIANT&, VARIANT&, VARIANT&, VARIANT&, WordBool& cancel) {
        ++events;
        cancel = VARIANT_TRUE;
    }
    void NewWindow(TObject*, IDispatch*&, WordBool&, uint32_t, const std::wstring&, const std::wstring&) { ++events; }
    void ClientToHost(TObject*, int32_t& cx, int32_t& cy) {
        ++events;
        cx = cy = -1;
    }
};

// A handler that destroys the component's form, whatever its signature.
template <typename Event>
struct TDestroying;
template <typename R, typename... Args>
struct TDestroying<TMethod<R(Args...)>> {
    static R Destroy(void* test, Args...) {
        static_cast<LifetimeTest*>(test)->DestroyForm();
        return R();
    }
};
template <typename Event>
Event Destroying(LifetimeTest* test) {
    return Event(test, &TDestroying<Event>::Destroy);
}

// A component that extends the site, and fails to extend the host information.
class TFailingExtension : public TCustomEmbeddedWB {
public:
    using TCustomEmbeddedWB::TCustomEmbeddedWB;
    bool ExtendsSite() const override { return true; }
    void ExtendHostInfo(DOCHOSTUIINFO&) override { throw Exception("No style sheet"); }
};

std::string Hex(HRESULT hr) { return LowerHex(static_cast<unsigned long>(hr), 8); }

}  // namespace

TEST_F(LifetimeTest, AHandlerThatDestroysTheComponentFindsTheControlStillHeldAndTheCallEndsSafely) {
    BYTE ctrl[256] = {};
    ctrl[VK_CONTROL] = 0x80;
    struct TRow {
        const char* Name;
        std::function<void()> Bind;
        std::function<std::string()> Call;  // as the engine calls, with what came back
        const char* Answer;
    } rows[] = {
        {"OnWindowClosing", [&] { host->OnWindowClosing = Destroying<TEWBWindowClosing>(this); },
         [&] { return Control().FireEventWith(DISPID_WINDOWCLOSING, "b:0 &b:0"); }, "b:0"},
        {"OnQuit", [&] { host->OnQuit = Destroying<TNotifyEvent>(this); },
         [&] { return Control().FireEventWith(DISPID_ONQUIT, ""); }, ""},
        {"OnDocumentComplete", [&] { host->OnDocumentComplete = Destroying<TEWBDocumentComplete>(this); },
         [&] { return Control().FireEventWith(DISPID_DOCUMENTCOMPLETE, "e &v:s:page"); }, "s:page"},
        {"ShowContextMenu", [&] { host->OnShowContextMenu = Destroying<TShowContextMenuEvent>(this); },
         [&] {
             POINT pt = {1, 1};
             return Hex(SiteAs<IDocHostUIHandler>()->ShowContextMenu(CONTEXT_MENU_DEFAULT, &pt, nullptr, nullptr));
         }, "00000001"},
        {"TranslateAccelerator of a masked key", [&] { host->OnMaskedCtrlChar = Destroying<TMaskedCtrlCharEvent>(this); },
         [&] {
             MSG msg = {nullptr, WM_KEYDOWN, 'N', 1, 0, {0, 0}};
             SetKeyboardState(ctrl);
             const HRESULT hr = SiteAs<IDocHostUIHandler>()->TranslateAccelerator(&msg, nullptr, 0);
             BYTE none[256] = {};
             SetKeyboardState(none);
             return Hex(hr);
         }, "00000000"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        MakeHost(300, 200);
        row.Bind();
        heldInHandler = -1;
        EXPECT_EQ(row.Call(), row.Answer);
        EXPECT_FALSE(form);
        EXPECT_EQ(heldInHandler, 1);  // the call's own, let go when it ends
    }
}

TEST_F(LifetimeTest, AFailingAnswerLeavesItsOutsEmptyAndFreesWhatTheHandlerGave) {
    auto outs = [](std::initializer_list<const void*> given) {
        std::string seen;
        for (const void* out : given) seen += out ? " given" : " none";
        return seen;
    };
    struct TRow {
        const char* Name;
        std::function<void()> Bind;
        std::function<std::string()> Call;
        const char* Answer;
    } rows[] = {
        {"Authenticate refused", [&] { host->OnAuthenticate = TAuthenticateEvent::Of<&LifetimeTest::RefusedLogin>(this); },
         [&] {
             HWND window = reinterpret_cast<HWND>(1);
             LPWSTR user = reinterpret_cast<LPWSTR>(1), password = reinterpret_cast<LPWSTR>(1);
             const HRESULT hr = SiteAs<IAuthenticate>()->Authenticate(&window, &user, &password);
             return Hex(hr) + outs({window, user, password});
         }, "80070005 none none none"},
        {"GetTypeInfo refused", [&] { host->OnGetTypeInfo = TGetTypeInfoEvent::Of<&LifetimeTest::RefusedTypeInfo>(this); },
         [&] {
             ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
             const HRESULT hr = SiteAs<IDispatch>()->GetTypeInfo(0, 0, &info);
             return Hex(hr) + outs({info}) + " references " + std::to_string(counted.references);
         }, "8002802b none references 0"},
        {"GetTypeInfoCount raised",
         [&] { host->OnGetTypeInfoCount = TGetTypeInfoCountEvent::Of<&LifetimeTest::RaisingCount>(this); },
         [&] {
             UINT count = 99;
             const HRESULT hr = SiteAs<IDispatch>()->GetTypeInfoCount(&count);
             return Hex(hr) + " " + std::to_string(count);
         }, "8000ffff 0"},
        {"GetTypeInfoCount failed",
         [&] { host->OnGetTypeInfoCount = TGetTypeInfoCountEvent::Of<&LifetimeTest::FailedCount>(this); },
         [&] {
             UINT count = 99;
             const HRESULT hr = SiteAs<IDispatch>()->GetTypeInfoCount(&count);
             return Hex(hr) + " " + std::to_string(count);
         }, "80004005 0"},
        {"the extended GetHostInfo failed", [&] {
             auto* extending = new TFailingExtension(form.get());
             extending->OnGetHostInfo = TGetHostInfoEvent::Of<&LifetimeTest::CssGiven>(this);
             extending->BrowserInterface();
         },
         [&] {
             DOCHOSTUIINFO info = {};
             info.cbSize = sizeof info;
             const HRESULT hr = SiteAs<IDocHostUIHandler>()->GetHostInfo(&info);
             return Hex(hr) + outs({info.pchHostCss, info.pchHostNS});
         }, "80004005 none none"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        row.Bind();
        EXPECT_EQ(row.Call(), row.Answer);
    }
}

TEST_F(LifetimeTest, TheSiteAnswersTheSameInterfacesWithOneIdentityBeforeAndAfterTheComponentHasGone) {
    const IID* iids[] = {
        &IID_IUnknown, &IID_IOleClientSite, &IID_IOleWindow, &IID_IOleInPlaceSite, &IID_IOleInPlaceUIWindow,
        &IID_IOleInPlaceFrame, &IID_IOleControlSite, &IID_IDispatch, &IID_IServiceProvider, &IID_IOleCommandTarget,
        &IID_IDropTarget, &IID_EwbDocHostUIHandler2, &IID_EwbDocHostUIHandler, &IID_EwbDocHostShowUI,
        &IID_EwbAuthenticate, &IID_EwbZoomEvents, &IID_EwbHostBehaviorInit, &IID_EwbOMWindowServices,
        &IID_EwbDownloadManager, &IID_EwbProtectFocus, &IID_EwbNewWindowManager,
        // Not the host core's: the component's protocol stub, and no site's.
        &IID_EwbInternetProtocolRoot, &IID_EwbInternetProtocol, &IID_IStream,
    };
    ComPtr<IUnknown> site;
    ASSERT_EQ(Control().site.As(&site), S_OK);
    // From each interface found, every other asked for, and its identity:
    // the same set from everywhere, and one identity.
    auto answers = [&] {
        std::string seen;
        for (const IID* from : iids) {
            ComPtr<IUnknown> view, identity;
            if (FAILED(site->QueryInterface(*from, &view))) {
                seen += "- ";
                continue;
            }
            for (const IID* to : iids) {
                ComPtr<IUnknown> other;
                seen += SUCCEEDED(view->QueryInterface(*to, &other)) ? "+" : "-";
            }
            view->QueryInterface(IID_PPV_ARGS(&identity));
            seen += identity.Get() == site.Get() ? " " : "(another identity) ";
        }
        return seen;
    };
    const std::string found = "+++++++++++++++++++++--- ";
    std::string expected;
    for (char c : found.substr(0, std::size(iids))) expected += c == '+' ? found : std::string("- ");
    EXPECT_EQ(answers(), expected);
    form.reset();
    EXPECT_EQ(answers(), expected);
}

TEST_F(LifetimeTest, TheControlIsClosedWhileTheComponentIsStillWhole) {
    form->Show();
    HRESULT viewAnswer = E_FAIL, hideAnswer = E_FAIL, serviceAnswer = E_FAIL;
    Control().onClose = [&](TStandInBrowser& control) {
        // What a closing engine does: its last host calls through the site.
        ComPtr<IDocHostUIHandler> handler;
        viewAnswer = control.site.As(&handler);
        if (handler) hideAnswer = handler->HideUI();
        ComPtr<IServiceProvider> services;
        if (SUCCEEDED(control.site.As(&services))) {
            ComPtr<IProtectFocus> focus;
            serviceAnswer = services->QueryService(__uuidof(IProtectFocus), IID_PPV_ARGS(&focus));
        }
    };
    form.reset();
    EXPECT_EQ(viewAnswer, S_OK);
    EXPECT_EQ(hideAnswer, S_FALSE);
    EXPECT_EQ(serviceAnswer, S_OK);
}

TEST_F(LifetimeTest, ASiteHeldFromOutsideAnswersSafelyOnceTheComponentIsGone) {
    form->Show();
    ComPtr<IOleClientSite> site = Control().site;
    ComPtr<IOleInPlaceSite> inPlace;
    ASSERT_EQ(site.As(&inPlace), S_OK);
    ComPtr<IDispatch> sink = Control().FirstSink();
    ASSERT_TRUE(sink);
    host->OnStatusTextChange = TEWBStatusTextChange::Of<&LifetimeTest::Status>(this);
    form.reset();

    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_NE(inPlace->GetWindow(&window), S_OK);
    EXPECT_EQ(window, nullptr);
    ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(site.As(&handler), S_OK);
    EXPECT_EQ(handler->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_NE(inPlace->OnInPlaceActivate(), S_OK);
    EXPECT_EQ(inPlace->OnInPlaceDeactivate(), S_OK);
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT pos, clip;
    OLEINPLACEFRAMEINFO info = {};
    EXPECT_NE(inPlace->GetWindowContext(&frame, &document, &pos, &clip, &info), S_OK);
    EXPECT_FALSE(frame);
    VARIANTARG text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"late");
    DISPPARAMS params = {&text, nullptr, 1, 0};
    EXPECT_EQ(sink->Invoke(102, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    VariantClear(&text);
    EXPECT_EQ(statusEvents, 0);  // a late event reaches nobody
}

TEST_F(LifetimeTest, DropTargetRegistrationsAreRevokedWhenTheComponentGoes) {
    form->Show();
    Control().LoadDocument();
    HWND document = Control().ieServer;
    ASSERT_TRUE(document);
    host->SetDropHandlingType(ddtMy);
    ASSERT_NE(GetPropW(document, L"OleDropTargetInterface"), nullptr);
    // The document window outlives the component here, as a window the
    // engine keeps elsewhere would.
    TForm keeper(nullptr);
    keeper.Show();
    ::SetParent(document, keeper.Handle());
    form.reset();
    ASSERT_TRUE(IsWindow(document));
    EXPECT_EQ(GetPropW(document, L"OleDropTargetInterface"), nullptr);
    EXPECT_EQ(RevokeDragDrop(document), DRAGDROP_E_NOTREGISTERED);
}

TEST_F(LifetimeTest, AParkedHandleThatNamesAnotherWindowIsNotAdopted) {
    form->Show();
    HWND browserWindow = host->Handle();
    host->SetParent(nullptr);
    ASSERT_EQ(host->ParkedHandle, browserWindow);
    // The handle now names a window of someone else's.
    TForm stranger(nullptr);
    stranger.Show();
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, stranger.Handle(),
                                 nullptr, nullptr, nullptr);
    host->ParkedHandle = other;
    host->SetParent(form.get());
    host->HandleNeeded();
    EXPECT_NE(host->Handle(), other);
    EXPECT_EQ(GetParent(other), stranger.Handle());
    EXPECT_EQ(host->Handle(), browserWindow);  // the browser's own window, home again
    EXPECT_EQ(GetParent(browserWindow), form->Handle());
    EXPECT_EQ(host->ParkedHandle, nullptr);
}

TEST_F(LifetimeTest, QueryServiceHandsOutOnlyTheInterfaceAskedFor) {
    ComPtr<IServiceProvider> services = SiteAs<IServiceProvider>();
    host->OnQueryService = TQueryServiceEvent::Of<&LifetimeTest::Supply>(this);
    IWebBrowser2* browser = host->BrowserInterface();
    supplied = browser;  // an object with IDispatch and without IStream
    const ULONG before = browser->AddRef() - 1;
    browser->Release();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(services->QueryService(GUID_NULL, IID_IStream, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(services->QueryService(GUID_NULL, IID_IDispatch, &object), S_OK);
    IDispatch* asked = nullptr;
    browser->QueryInterface(IID_PPV_ARGS(&asked));
    EXPECT_EQ(object, asked);
    asked->Release();
    static_cast<IDispatch*>(object)->Release();
    EXPECT_EQ(browser->AddRef() - 1, before);  // the handler's and the caller's references balance
    browser->Release();
    supplied.Reset();
}

TEST_F(LifetimeTest, AnInterfaceHandedOutByAnEventCarriesExactlyOneReference) {
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    host->OnGetExternal = TGetExternalEvent::Of<&LifetimeTest::External>(this);
    supplied = host->BrowserInterface();
    const long before = Control().References();
    IDispatch* external = nullptr;
    ASSERT_EQ(handler->GetExternal(&external), S_OK);
    ASSERT_TRUE(external);
    EXPECT_EQ(Control().References(), before + 1);
    external->Release();
    EXPECT_EQ(Control().References(), before);
    EXPECT_EQ(handler->GetExternal(nullptr), S_OK);  // nowhere to put it: not leaked
    EXPECT_EQ(Control().References(), before);
    supplied.Reset();
}

TEST_F(LifetimeTest, ExecWBOutputNeverBecomesTheNextNavigationsPostData) {
    Control().execOutputText = L"written by the command";
    VARIANT in;
    VariantInit(&in);
    host->ExecWB(OLECMDID_GETZOOMRANGE, OLECMDEXECOPT_DONTPROMPTUSER, in);
    host->Navigate(L"http://page/");
    const auto& calls = Control().calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Navigate with unexpected arguments"), 0);
}

TEST_F(LifetimeTest, KeyPathsAnswerOutOfMemoryInsteadOfThrowing) {
    host->OptionKeyPath = "Software\\Test";
    ComPtr<IDocHostUIHandler2> handler = SiteAs<IDocHostUIHandler2>();
    for (bool overriding : {false, true}) {
        host->OverrideOptionKeyPath = overriding;
        LPOLESTR key = reinterpret_cast<LPOLESTR>(1);
        HRESULT hr = S_OK;
        g_failAllocations = 1;
        try {
            hr = overriding ? handler->GetOverrideKeyPath(&key, 0) : handler->GetOptionKeyPath(&key, 0);
        } catch (...) {
            g_failAllocations = 0;
            ADD_FAILURE() << "an exception crossed the COM boundary";
        }
        g_failAllocations = 0;
        EXPECT_EQ(hr, E_OUTOFMEMORY) << overriding;
        EXPECT_EQ(key, nullptr);
    }
}

TEST_F(LifetimeTest, AHostileEngineNeitherCrashesTheHostNorGetsAnExceptionBack) {
    TDialogWatcher watcher;  // errors the host reports go to the error box
    form->Show();
    TStandInBrowser& control = Control();
    control.hostile = true;
    host->OnBeforeNavigate2 = TEWBBeforeNavigate2::Of<&LifetimeTest::BeforeNavigate>(this);
    host->OnNewWindow3 = TEWBNewWindow3::Of<&LifetimeTest::NewWindow>(this);
    host->OnClientToHostWindow = TEWBClientToHostWindow::Of<&LifetimeTest::ClientToHost>(this);
    // The host's own calls into a control that answers nothing useful.
    int raised = 0;
    auto attempt = [&](const std::function<void()>& call) {
        try {
            call();
        } catch (const Exception&) {
            ++raised;  // a failure the control reported, raised as designed
        }
    };
    VARIANT in;
    VariantInit(&in);
    attempt([&] { host->SetUserInterfaceOptions({}); });
    attempt([&] { host->SetDownloadOptions({DownloadImages}); });
    attempt([&] { host->ActivateBrowserUI(); });
    attempt([&] { EXPECT_FALSE(host->GetHTMLDocument()); });
    attempt([&] { host->SetZoom(100); });
    attempt([&] { host->SetDropHandlingType(ddtNo); });
    attempt([&] { host->SetDropHandlingType(ddtMy); });
    attempt([&] { host->Navigate(L"http://page/"); });
    attempt([&] { host->ExecWB(OLECMDID_REFRESH, OLECMDEXECOPT_DODEFAULT, in); });
    EXPECT_GE(raised, 2);  // Navigate and ExecWB at least

    // The engine's calls into the host, with nulls and odd values.
    std::vector<std::string> answers = control.CallHostHostilely();
    EXPECT_GT(answers.size(), 60u);
    EXPECT_EQ(events, 3);  // each event with odd arguments reached its handler once
    auto answerOf = [&](const std::string& call) {
        for (const std::string& line : answers)
            if (line.compare(0, call.size() + 1, call + " ") == 0) return line.substr(call.size() + 1);
        return std::string("missing");
    };
    EXPECT_EQ(answerOf("GetHostInfo"), "80004003");  // E_POINTER
    EXPECT_EQ(answerOf("GetOptionKeyPath"), "80004003");
    EXPECT_EQ(answerOf("QueryService null"), "80004003");
    EXPECT_EQ(answerOf("AllowFocusChange"), "80004003");
    EXPECT_EQ(answerOf("GetWindow"), "80004003");
    EXPECT_EQ(answerOf("GetExternal"), "00000001");  // nothing to hand out
    EXPECT_EQ(answerOf("ShowHelp"), "00000001");
    control.hostile = false;
}

// The engine may keep what it was given of the site past the component:
// every method of every interface then answers its "nothing here" value and
// never reaches the component, its handlers or its options.
TEST_F(LifetimeTest, EveryMethodOfTheSiteAnswersNothingOnceTheComponentHasGone) {
    // Handlers that would change every answer, were they still reached.
    host->OnQueryService = TQueryServiceEvent::Of<&LifetimeTest::Supply>(this);
    host->OnGetExternal = TGetExternalEvent::Of<&LifetimeTest::External>(this);
    supplied = host->BrowserInterface();
    host->OptionKeyPath = "Software\\Test";
    auto ui2 = SiteAs<IDocHostUIHandler2>();
    auto ui = SiteAs<IDocHostUIHandler>();
    auto showUI = SiteAs<IDocHostShowUI>();
    auto services = SiteAs<IServiceProvider>();
    auto target = SiteAs<IOleCommandTarget>();
    auto drop = SiteAs<IDropTarget>();
    auto ambient = SiteAs<IDispatch>();
    auto auth = SiteAs<IAuthenticate>();
    auto zoom = SiteAs<IZoomEvents>();
    auto behavior = SiteAs<IHostBehaviorInit>();
    auto window = SiteAs<IHTMLOMWindowServices>();
    auto downloads = SiteAs<IDownloadManager>();
    auto focus = SiteAs<IProtectFocus>();
    auto windows = SiteAs<INewWindowManager>();
    auto client = SiteAs<IOleClientSite>();
    auto inPlace = SiteAs<IOleInPlaceSite>();
    auto frame = SiteAs<IOleInPlaceFrame>();
    auto control = SiteAs<IOleControlSite>();
    form.reset();
    host = nullptr;

    DOCHOSTUIINFO info = {};
    MSG msg = {nullptr, WM_KEYDOWN, 'N', 0, 0, {0, 0}};
    LPOLESTR text = nullptr;
    IDispatch* dispatch = nullptr;
    IDataObject* data = nullptr;
    IDropTarget* dropTarget = nullptr;
    void* object = nullptr;
    DWORD effect = DROPEFFECT_COPY;
    BOOL allow = FALSE;
    HWND hwnd = reinterpret_cast<HWND>(1);
    LPWSTR user = nullptr, password = nullptr;
    LRESULT result = 0;
    POINT pt = {0, 0};
    POINTL ptl = {0, 0};
    RECT rect = {0, 0, 1, 1};
    UINT count = 5;
    VARIANT out;
    VariantInit(&out);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    IOleInPlaceFrame* contextFrame = nullptr;
    IOleInPlaceUIWindow* contextDoc = nullptr;
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    const struct {
        const char* call;
        std::function<HRESULT()> invoke;
        HRESULT answer;
    } rows[] = {
        {"ShowContextMenu", [&] { return ui2->ShowContextMenu(0, &pt, nullptr, nullptr); }, S_FALSE},
        {"GetHostInfo (2)", [&] { return ui2->GetHostInfo(&info); }, E_FAIL},
        {"GetHostInfo", [&] { return ui->GetHostInfo(&info); }, E_FAIL},
        {"ShowUI", [&] { return ui2->ShowUI(0, nullptr, nullptr, nullptr, nullptr); }, S_FALSE},
        {"HideUI", [&] { return ui2->HideUI(); }, S_FALSE},
        {"UpdateUI", [&] { return ui2->UpdateUI(); }, S_FALSE},
        {"EnableModeless", [&] { return ui->EnableModeless(TRUE); }, S_OK},
        {"OnDocWindowActivate", [&] { return ui2->OnDocWindowActivate(TRUE); }, S_OK},
        {"OnFrameWindowActivate", [&] { return ui2->OnFrameWindowActivate(TRUE); }, S_OK},
        {"ResizeBorder", [&] { return ui2->ResizeBorder(&rect, nullptr, TRUE); }, S_OK},
        {"TranslateAccelerator", [&] { return ui2->TranslateAccelerator(&msg, nullptr, 0); }, S_FALSE},
        {"GetOptionKeyPath", [&] { return ui2->GetOptionKeyPath(&text, 0); }, S_FALSE},
        {"GetOverrideKeyPath", [&] { return ui2->GetOverrideKeyPath(&text, 0); }, S_FALSE},
        {"GetDropTarget", [&] { return ui2->GetDropTarget(nullptr, &dropTarget); }, E_NOTIMPL},
        {"GetExternal", [&] { return ui2->GetExternal(&dispatch); }, S_FALSE},
        {"TranslateUrl", [&] { return ui2->TranslateUrl(0, const_cast<LPWSTR>(L"a"), &text); }, S_FALSE},
        {"FilterDataObject", [&] { return ui2->FilterDataObject(nullptr, &data); }, S_FALSE},
        {"ShowMessage", [&] { return showUI->ShowMessage(nullptr, nullptr, nullptr, 0, nullptr, 0, &result); },
         S_FALSE},
        {"ShowHelp", [&] { return showUI->ShowHelp(nullptr, nullptr, 0, 0, pt, nullptr); }, S_FALSE},
        {"QueryService", [&] { return services->QueryService(GUID_NULL, IID_IDispatch, &object); }, E_NOINTERFACE},
        {"Exec", [&] { return target->Exec(nullptr, 1, 0, nullptr, &out); }, OLECMDERR_E_NOTSUPPORTED},
        {"DragEnter", [&] { return drop->DragEnter(nullptr, 0, ptl, &effect); }, S_OK},
        {"DragOver", [&] { return drop->DragOver(0, ptl, &effect); }, S_OK},
        {"Drop", [&] { return drop->Drop(nullptr, 0, ptl, &effect); }, S_OK},
        {"DragLeave", [&] { return drop->DragLeave(); }, S_OK},
        {"Invoke", [&] { return ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &out, nullptr, nullptr); },
         DISP_E_MEMBERNOTFOUND},
        {"GetTypeInfoCount", [&] { return ambient->GetTypeInfoCount(&count); }, S_OK},
        {"GetIDsOfNames", [&] { return ambient->GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr); }, E_NOTIMPL},
        {"Authenticate", [&] { return auth->Authenticate(&hwnd, &user, &password); }, E_FAIL},
        {"OnZoomPercentChanged", [&] { return zoom->OnZoomPercentChanged(150); }, S_FALSE},
        {"PopulateNamespaceTable", [&] { return behavior->PopulateNamespaceTable(); }, S_OK},
        {"moveTo", [&] { return window->moveTo(1, 2); }, S_OK},
        {"resizeBy", [&] { return window->resizeBy(1, 2); }, S_OK},
        {"Download", [&] { return downloads->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0); },
         E_NOTIMPL},
        {"AllowFocusChange", [&] { return focus->AllowFocusChange(&allow); }, S_OK},
        {"EvaluateNewWindow",
         [&] { return windows->EvaluateNewWindow(L"u", nullptr, nullptr, nullptr, FALSE, 0, 0); }, E_FAIL},
        {"GetWindow", [&] { return inPlace->GetWindow(&hwnd); }, E_UNEXPECTED},
        {"GetWindowContext",
         [&] { return inPlace->GetWindowContext(&contextFrame, &contextDoc, &rect, &rect, &frameInfo); },
         E_UNEXPECTED},
        {"SetActiveObject", [&] { return frame->SetActiveObject(nullptr, nullptr); }, E_UNEXPECTED},
        {"OnInPlaceActivate", [&] { return inPlace->OnInPlaceActivate(); }, E_UNEXPECTED},
        {"frame EnableModeless", [&] { return frame->EnableModeless(FALSE); }, S_OK},
        {"moveBy", [&] { return window->moveBy(1, 2); }, S_OK},
        {"resizeTo", [&] { return window->resizeTo(1, 2); }, S_OK},
        {"QueryStatus", [&] { return target->QueryStatus(nullptr, 0, nullptr, nullptr); }, S_OK},
        {"GetTypeInfo", [&] { return ambient->GetTypeInfo(0, 0, nullptr); }, E_NOTIMPL},
        // The container's own interfaces.
        {"SaveObject", [&] { return client->SaveObject(); }, S_OK},
        {"GetMoniker", [&] { return client->GetMoniker(0, 0, nullptr); }, E_NOTIMPL},
        {"GetContainer", [&] { return client->GetContainer(nullptr); }, E_NOINTERFACE},
        {"ShowObject", [&] { return client->ShowObject(); }, S_OK},
        {"OnShowWindow", [&] { return client->OnShowWindow(TRUE); }, S_OK},
        {"RequestNewObjectLayout", [&] { return client->RequestNewObjectLayout(); }, E_NOTIMPL},
        {"ContextSensitiveHelp", [&] { return inPlace->ContextSensitiveHelp(FALSE); }, S_OK},
        {"CanInPlaceActivate", [&] { return inPlace->CanInPlaceActivate(); }, S_OK},
        {"OnUIActivate", [&] { return inPlace->OnUIActivate(); }, S_OK},
        {"Scroll", [&] { return inPlace->Scroll(SIZE{1, 1}); }, E_NOTIMPL},
        {"OnUIDeactivate", [&] { return inPlace->OnUIDeactivate(FALSE); }, S_OK},
        {"OnInPlaceDeactivate", [&] { return inPlace->OnInPlaceDeactivate(); }, S_OK},
        {"DiscardUndoState", [&] { return inPlace->DiscardUndoState(); }, S_OK},
        {"DeactivateAndUndo", [&] { return inPlace->DeactivateAndUndo(); }, S_OK},
        {"OnPosRectChange", [&] { return inPlace->OnPosRectChange(&rect); }, S_OK},
        {"GetBorder", [&] { return frame->GetBorder(&rect); }, INPLACE_E_NOTOOLSPACE},
        {"RequestBorderSpace", [&] { return frame->RequestBorderSpace(nullptr); }, INPLACE_E_NOTOOLSPACE},
        {"SetBorderSpace", [&] { return frame->SetBorderSpace(nullptr); }, S_OK},
        {"InsertMenus", [&] { return frame->InsertMenus(nullptr, nullptr); }, S_OK},
        {"SetMenu", [&] { return frame->SetMenu(nullptr, nullptr, nullptr); }, S_OK},
        {"RemoveMenus", [&] { return frame->RemoveMenus(nullptr); }, S_OK},
        {"SetStatusText", [&] { return frame->SetStatusText(L"x"); }, S_OK},
        {"frame TranslateAccelerator", [&] { return frame->TranslateAccelerator(&msg, 0); }, S_FALSE},
        {"OnControlInfoChanged", [&] { return control->OnControlInfoChanged(); }, S_OK},
        {"LockInPlaceActive", [&] { return control->LockInPlaceActive(TRUE); }, S_OK},
        {"GetExtendedControl", [&] { return control->GetExtendedControl(&dispatch); }, E_NOTIMPL},
        {"TransformCoords", [&] { return control->TransformCoords(&ptl, nullptr, 0); }, E_POINTER},
        {"control TranslateAccelerator", [&] { return control->TranslateAccelerator(&msg, 0); }, S_FALSE},
        {"OnFocus", [&] { return control->OnFocus(TRUE); }, S_OK},
        {"ShowPropertyFrame", [&] { return control->ShowPropertyFrame(); }, E_NOTIMPL},
    };
    for (const auto& row : rows) EXPECT_EQ(row.invoke(), row.answer) << row.call;
    // Nothing handed out, nothing left in the out-parameters.
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(dispatch, nullptr);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(dropTarget, nullptr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(user, nullptr);
    EXPECT_EQ(password, nullptr);
    EXPECT_EQ(contextFrame, nullptr);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(allow, TRUE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(out.vt, VT_EMPTY);
    // The site still answers what it answered, with nothing of the host.
    ComPtr<IDocHostUIHandler2> again;
    ASSERT_EQ(client.As(&again), S_OK);
    EXPECT_EQ(again->HideUI(), S_FALSE);
    supplied.Reset();
}
