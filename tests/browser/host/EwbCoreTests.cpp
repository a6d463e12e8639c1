// The host core, driven through the client site as the engine drives it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "browser/host/EwbCore.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"
#include "support/StandInDocument.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;
using testsupport::PumpFor;
using testsupport::TDialogWatcher;

namespace {

const GUID kCgidExplorer = {0x000214D0, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kCgidDocHost = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

class TTestHost : public TCustomEmbeddedWB {
public:
    using TCustomEmbeddedWB::TCustomEmbeddedWB;
    void SetUserAgentHook(const TUserAgentHook& hook) { UserAgentHook = hook; }
    void SetPreRefreshHook(const TPreRefreshHook& hook) { PreRefreshHook = hook; }
};

class TSizedForm : public TForm {
public:
    TSizedForm(TComponent* owner, int w, int h) : TForm(owner) {
        SetClientWidth(w);
        SetClientHeight(h);
    }
};

class HostCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TSizedForm(nullptr, 400, 300));
        host = new TTestHost(form.get());
        host->SetParent(form.get());
        host->SetAlign(alClient);
    }
    void TearDown() override {
        form.reset();
        VariantClear(&documentState.lastZoomIn);
    }
    TStandInBrowser& Control() { return *registration.Last(); }
    IOleClientSite* Site() { return Control().site.Get(); }
    template <typename I>
    ComPtr<I> SiteAs() {
        ComPtr<I> view;
        EXPECT_EQ(Site()->QueryInterface(__uuidof(I), reinterpret_cast<void**>(view.GetAddressOf())), S_OK);
        return view;
    }
    HRESULT Get(DISPID id, VARIANT& out, bool withResult = true) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VariantInit(&out);
        excep = EXCEPINFO();
        return SiteAs<IDispatch>()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, withResult ? &out : nullptr,
                                          &excep, nullptr);
    }
    HRESULT Put(DISPID id, VARIANT value) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params = {&value, &named, 1, 1};
        return SiteAs<IDispatch>()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    }
    HRESULT Exec(const GUID* group, DWORD id, VARIANT* in = nullptr, VARIANT* out = nullptr) {
        return SiteAs<IOleCommandTarget>()->Exec(group, id, 0, in, out);
    }
    void LoadDocument() {
        Control().LoadDocument(StandInDocument_Create(&documentState));
        loadedReferences = documentState.references;
    }
    LONG loadedReferences = 0;  // what holding the loaded document costs

    TStandInRegistration registration;
    std::unique_ptr<TSizedForm> form;
    TTestHost* host = nullptr;
    EXCEPINFO excep = {};
    StandInDocumentState documentState = {L"7", L"0", L"'x' is undefined", L"http://page/", L"12", FALSE,
                                          MAKELONG(25, 400), {}, 0, 0, 0, nullptr, nullptr};

public:
    // events and hooks
    std::vector<std::string> log;
    std::wstring agent;
    HRESULT agentAnswer = S_OK;
    bool cancelRefresh = false;
    HRESULT invokeAnswer = S_OK;
    bool invokeThrows = false;
    TScriptErrorAction changeActionTo = eaContinue;
    std::vector<std::string> scriptError;
    HRESULT UserAgent(std::wstring& text) {
        log.push_back("agent");
        text = agent;
        return agentAnswer;
    }
    void PreRefresh(TObject*) { log.push_back("prerefresh"); }
    void Unload(TObject*) { log.push_back("unload"); }
    void Refresh(TObject*, int32_t id, bool& cancel) {
        log.push_back("refresh " + std::to_string(id));
        cancel = cancelRefresh;
    }
    void CommandExec(TObject*, const GUID*, uint32_t id, uint32_t, const VARIANT&, VARIANT&, HRESULT& r) {
        log.push_back("exec " + std::to_string(id));
        r = 0x1234;
    }
    void OnInvokeEvent(TObject*, int32_t dispid, const IID&, int32_t, uint16_t, DISPPARAMS&, void* result, void*,
                       void*, HRESULT& r) {
        log.push_back("invoke " + std::to_string(dispid));
        if (invokeThrows) throw Exception("Bad ambient", 77);
        if (result) {
            auto* v = static_cast<VARIANT*>(result);
            v->vt = VT_I4;
            v->lVal = 99;
        }
        r = invokeAnswer;
    }
    void ScriptErrorEvent(TObject*, const std::string& line, const std::string& character, const std::string& code,
                          const std::string& message, const std::string& url, TScriptErrorAction& action) {
        scriptError = {line, character, code, message, url};
        action = changeActionTo;
    }
};

}  // namespace

TEST(HostFlags, EachOptionHasItsOwnFixedBit) {
    EXPECT_EQ(HostUIFlagsOf({}), 0u);
    EXPECT_EQ(DownloadControlFlagsOf({}), 0u);
    EXPECT_EQ(HostUIFlagsOf({EnablesFormsAutoComplete, EnableThemes}), 0x00044000u);
    EXPECT_EQ(HostUIFlagsOf({EnablesFormsAutoComplete, EnableThemes, DisableFrameSetBorder}), 0x00244000u);
    EXPECT_EQ(DownloadControlFlagsOf({DownloadImages, DownloadVideos, DownloadBGSounds}), 0x00000070u);
    EXPECT_EQ(HostUIFlagsOf({ForceSameWindowNavigation}), 0x00010000u);
    EXPECT_EQ(DownloadControlFlagsOf({ForceOfflineMode}), 0x10000000u);
    EXPECT_EQ(HostUIFlagsOf(TUserInterfaceOptions::All()), 0x3FFF7FFFu);
    EXPECT_EQ(DownloadControlFlagsOf(TDownloadControlOptions::All()), 0xF007FFF0u);

    const uint32_t expected[29] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000,
                             0x4000, 0x10000, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000, 0x400000, 0x800000,
                             0x1000000, 0x2000000, 0x4000000, 0x8000000, 0x10000000, 0x20000000};
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(HostUIFlagsOf({static_cast<TUserInterfaceOption>(i)}), expected[i]) << "option " << i;
    const uint32_t dl[19] = {0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000, 0x8000,
                             0x10000, 0x20000, 0x40000, 0x10000000, 0x20000000, 0x40000000, 0x80000000};
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(DownloadControlFlagsOf({static_cast<TDownloadControlOption>(i)}), dl[i]) << "option " << i;
}

TEST_F(HostCoreTest, ConstructorDefaultsAndStoredDefaults) {
    EXPECT_EQ(host->HostUIFlags, 0x00044000u);
    EXPECT_EQ(host->DownloadControlFlags, 0x00000070u);
    EXPECT_EQ(host->DisableCtrlShortcuts(), "N");
    EXPECT_EQ(host->DropHandlingType(), ddtMS);
    EXPECT_EQ(host->ScriptErrorAction, eaContinue);
    EXPECT_TRUE(host->AllowFocus);
    EXPECT_FALSE(host->UserModeFlag);
    EXPECT_FALSE(host->FloatingHosting);
    EXPECT_TRUE(host->DisabledPopupMenus.Empty());
    EXPECT_EQ(TCustomEmbeddedWB::StoredDefaultDownloadOptions(), host->DownloadOptions());
    EXPECT_TRUE(TCustomEmbeddedWB::StoredDefaultUserInterfaceOptions().Empty());
    // Construction makes no control yet, so there is nobody to tell.
    EXPECT_FALSE(host->ControlCreated());
    EXPECT_TRUE(Control().ambientChanges.empty());
}

TEST_F(HostCoreTest, SettingTheSameOptionsTwiceNotifiesTwice) {
    host->BrowserInterface();
    Control().ambientChanges.clear();
    TUserInterfaceOptions launcherOptions = {EnablesFormsAutoComplete, EnableThemes, DisableFrameSetBorder};
    host->SetUserInterfaceOptions(launcherOptions);
    host->SetUserInterfaceOptions(launcherOptions);
    EXPECT_EQ(host->HostUIFlags, 0x00244000u);
    host->SetDownloadOptions({});
    host->SetDownloadOptions({});
    EXPECT_EQ(host->DownloadControlFlags, 0u);
    EXPECT_EQ(Control().ambientChanges, (std::vector<DISPID>{-5512, -5512, -5512, -5512}));
}

TEST_F(HostCoreTest, AControlWithoutIOleControlRaisesButTheOptionsStay) {
    host->BrowserInterface();
    Control().refuseOleControl = true;
    EXPECT_THROW(host->SetUserInterfaceOptions({DisableHelpMenu}), EIntfCastError);
    EXPECT_TRUE(host->UserInterfaceOptions().Contains(DisableHelpMenu));
    EXPECT_EQ(host->HostUIFlags, 0x2u);
}

TEST_F(HostCoreTest, FourteenViewsOneIdentityAndTheTwoUIHandlersShareOne) {
    host->BrowserInterface();
    const IID* iids[14] = {&IID_IAuthenticate, &__uuidof(IZoomEvents), &__uuidof(IHostBehaviorInit),
                           &__uuidof(IHTMLOMWindowServices), &__uuidof(IDownloadManager), &__uuidof(IProtectFocus),
                           &__uuidof(INewWindowManager), &IID_IServiceProvider, &IID_IOleCommandTarget,
                           &IID_IDropTarget, &__uuidof(IDocHostUIHandler2), &__uuidof(IDocHostUIHandler),
                           &__uuidof(IDocHostShowUI), &IID_IDispatch};
    IUnknown* identity = nullptr;
    ASSERT_EQ(Site()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    void* views[14] = {};
    for (int i = 0; i < 14; ++i) {
        ASSERT_EQ(Site()->QueryInterface(*iids[i], &views[i]), S_OK) << i;
        IUnknown* back = nullptr;
        static_cast<IUnknown*>(views[i])->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
        EXPECT_EQ(back, identity) << i;
    }
    EXPECT_EQ(views[10], views[11]);
    // The host's own dispatch answers before the container's.
    VARIANT v;
    ASSERT_EQ(Get(-5512, v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 0x70);
}

TEST_F(HostCoreTest, AmbientDownloadControlAndUserMode) {
    host->BrowserInterface();
    VARIANT v;
    host->SetDownloadOptions({});
    ASSERT_EQ(Get(-5512, v), S_OK);
    EXPECT_EQ(v.lVal, 0);
    ASSERT_EQ(Get(-709, v), S_OK);
    EXPECT_EQ(v.vt, VT_BOOL);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE);
    VARIANT on;
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    EXPECT_EQ(Put(-709, on), S_OK);
    EXPECT_TRUE(host->UserModeFlag);
    ASSERT_EQ(Get(-709, v), S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_FALSE);
    // No result pointer: the container, which does not answer it either.
    EXPECT_EQ(Get(-5512, v, false), DISP_E_MEMBERNOTFOUND);
    // Other ambients fall through to the container's answers.
    ASSERT_EQ(Get(-715, v), S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE);
}

// An [out] variant holds nothing of the caller's on entry (here an object
// the caller holds no reference for, as garbage would be there): it is
// written, never cleared. An [in,out] one holds the caller's value: it is
// cleared, then written.
TEST_F(HostCoreTest, AnOutVariantIsOnlyWrittenAnInOutVariantClearedFirst) {
    host->SetName("EmbeddedWB1");
    host->SetUserAgentHook(TUserAgentHook::Of<&HostCoreTest::UserAgent>(this));
    agent = L"Game/1.0";
    host->BrowserInterface();
    StandInDocumentState counted = {};
    auto call = [&](bool inOut, const std::function<HRESULT(VARIANT&)>& invoke) {
        IUnknown* object = StandInDocument_Create(&counted);  // the test's reference
        VARIANT value;
        value.vt = VT_UNKNOWN;
        value.punkVal = object;
        if (inOut) object->AddRef();  // the caller's value
        const HRESULT hr = invoke(value);
        const std::string seen = std::to_string(hr) + " vt " + std::to_string(value.vt) + " references " +
                                 std::to_string(counted.references);
        if (value.vt != VT_UNKNOWN) VariantClear(&value);
        if (counted.references > 0) object->Release();
        return seen;
    };
    auto ambient = [&](DISPID id) {
        return call(false, [&](VARIANT& out) {
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            return SiteAs<IDispatch>()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &out, nullptr, nullptr);
        });
    };
    struct TRow {
        const char* Name;
        std::function<std::string()> Call;
        const char* Answer;
    } rows[] = {
        {"the download control, [out]", [&] { return ambient(-5512); }, "0 vt 3 references 1"},
        {"the user mode, [out]", [&] { return ambient(-709); }, "0 vt 11 references 1"},
        {"the user agent, [out]", [&] { return ambient(-5513); }, "0 vt 8 references 1"},
        {"the container's display name, [out]", [&] { return ambient(-702); }, "0 vt 8 references 1"},
        {"the container's auto-clip, [out]", [&] { return ambient(-715); }, "0 vt 11 references 1"},
        {"the script-error answer, [in,out]", [&] {
             return call(true, [&](VARIANT& out) { return Exec(&kCgidDocHost, OLECMDID_SHOWSCRIPTERROR, nullptr, &out); });
         }, "0 vt 11 references 1"},
    };
    for (const TRow& row : rows) EXPECT_EQ(row.Call(), row.Answer) << row.Name;
}

TEST_F(HostCoreTest, UserAgentComesFromTheHookOrFallsThrough) {
    host->BrowserInterface();
    VARIANT v;
    EXPECT_EQ(Get(-5513, v), DISP_E_MEMBERNOTFOUND);  // no hook, no OnInvoke
    host->OnInvoke = TInvokeEvent::Of<&HostCoreTest::OnInvokeEvent>(this);
    EXPECT_EQ(Get(-5513, v), S_OK);  // OnInvoke's answer
    EXPECT_EQ(v.lVal, 99);
    host->OnInvoke = TInvokeEvent();

    host->SetUserAgentHook(TUserAgentHook::Of<&HostCoreTest::UserAgent>(this));
    agent = L"MyBrowser/1.0";
    ASSERT_EQ(Get(-5513, v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(v.bstrVal), L"MyBrowser/1.0\r\n");
    VariantClear(&v);
    agent = L"";
    EXPECT_EQ(Get(-5513, v), DISP_E_MEMBERNOTFOUND);
    agent = L"Other";
    agentAnswer = E_FAIL;
    EXPECT_EQ(Get(-5513, v), DISP_E_MEMBERNOTFOUND);
}

TEST_F(HostCoreTest, AnErrorInOnInvokeBecomesDispException) {
    host->BrowserInterface();
    host->OnInvoke = TInvokeEvent::Of<&HostCoreTest::OnInvokeEvent>(this);
    invokeThrows = true;
    VARIANT v;
    EXPECT_EQ(Get(-12345, v), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.wCode, 9999);
    EXPECT_EQ(std::wstring(excep.bstrSource), L"Exception");
    EXPECT_EQ(std::wstring(excep.bstrDescription), L"Bad ambient");
    EXPECT_EQ(excep.dwHelpContext, 77u);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
}

TEST_F(HostCoreTest, ExecRoutesByGroupAndCommand) {
    host->BrowserInterface();
    EXPECT_EQ(Exec(nullptr, 5), OLECMDERR_E_NOTSUPPORTED);
    host->OnCommandExec = TComTargetExecEvent::Of<&HostCoreTest::CommandExec>(this);
    EXPECT_EQ(Exec(nullptr, 5), 0x1234);
    EXPECT_EQ(Exec(&kCgidExplorer, 37), 0x1234);  // no OnUnload: on to OnCommandExec
    host->OnUnload = TNotifyEvent::Of<&HostCoreTest::Unload>(this);
    EXPECT_EQ(Exec(&kCgidExplorer, 37), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"exec 5", "exec 37", "unload"}));

    log.clear();
    EXPECT_EQ(Exec(&kCgidDocHost, 2300), OLECMDERR_E_NOTSUPPORTED);  // no OnRefresh
    host->OnRefresh = TRefreshEvent::Of<&HostCoreTest::Refresh>(this);
    EXPECT_EQ(Exec(&kCgidDocHost, 6041), OLECMDERR_E_NOTSUPPORTED);
    cancelRefresh = true;
    EXPECT_EQ(Exec(&kCgidDocHost, 6042), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"refresh 6041", "refresh 6042"}));  // never OnCommandExec

    OLECMD cmd = {OLECMDID_ZOOM, 0};
    EXPECT_EQ(SiteAs<IOleCommandTarget>()->QueryStatus(nullptr, 1, &cmd, nullptr), S_OK);
    EXPECT_EQ(cmd.cmdf, 0u);
}

TEST_F(HostCoreTest, PreRefreshOnlyWithADocumentWindow) {
    host->SetPreRefreshHook(TPreRefreshHook::Of<&HostCoreTest::PreRefresh>(this));
    host->BrowserInterface();
    Exec(&kCgidExplorer, 39);
    EXPECT_TRUE(log.empty());  // no window yet
    form->Show();
    Exec(&kCgidExplorer, 39);
    EXPECT_TRUE(log.empty());  // no page yet
    Control().LoadDocument();
    Exec(&kCgidExplorer, 39);
    EXPECT_EQ(log, std::vector<std::string>{"prerefresh"});
}

TEST_F(HostCoreTest, ScriptErrorsAnswerByTheActionAndReportTheEventObject) {
    host->BrowserInterface();
    LoadDocument();
    VARIANT in, out;
    VariantInit(&in);
    in.vt = VT_UNKNOWN;
    in.punkVal = Control().document.Get();
    VariantInit(&out);
    EXPECT_EQ(Exec(&kCgidDocHost, 40, &in, &out), S_OK);
    EXPECT_EQ(out.vt, VT_BOOL);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);

    host->ScriptErrorAction = eaCancel;
    EXPECT_EQ(Exec(&kCgidDocHost, 40, &in, &out), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_FALSE);

    host->ScriptErrorAction = eaAskUser;
    out.vt = VT_I4;
    out.lVal = 5;
    EXPECT_EQ(Exec(&kCgidDocHost, 40, &in, &out), S_FALSE);
    EXPECT_EQ(out.vt, VT_I4);  // left as it was
    EXPECT_EQ(out.lVal, 5);

    host->ScriptErrorAction = eaContinue;
    host->OnScriptError = TScriptErrorEvent::Of<&HostCoreTest::ScriptErrorEvent>(this);
    changeActionTo = eaCancel;
    EXPECT_EQ(Exec(&kCgidDocHost, 40, &in, &out), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);  // this one still by the old action
    EXPECT_EQ(scriptError, (std::vector<std::string>{"12", "7", "0", "'x' is undefined", "http://page/"}));
    EXPECT_EQ(host->ScriptErrorAction, eaCancel);  // the next one by the new
    EXPECT_EQ(documentState.references, loadedReferences);  // nothing kept
}

TEST_F(HostCoreTest, AMissingEventPropertyIsReportedAndTheAnswerStands) {
    host->BrowserInterface();
    LoadDocument();
    documentState.errorLine = nullptr;
    host->OnScriptError = TScriptErrorEvent::Of<&HostCoreTest::ScriptErrorEvent>(this);
    VARIANT in, out;
    VariantInit(&in);
    in.vt = VT_UNKNOWN;
    in.punkVal = Control().document.Get();
    VariantInit(&out);
    TDialogWatcher watcher;
    EXPECT_EQ(Exec(&kCgidDocHost, 40, &in, &out), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);
    EXPECT_TRUE(scriptError.empty());
    // No box while the engine is inside its call: the error is shown once
    // the call has returned and the application window takes its request.
    EXPECT_TRUE(watcher.Seen().empty());
    Application->ProcessMessages();
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Text, "'errorline' is not supported.");

    // No event object: the event is skipped without a word.
    documentState.errorLine = L"3";
    documentState.noEvent = TRUE;
    EXPECT_EQ(Exec(&kCgidDocHost, 40, &in, &out), S_OK);
    EXPECT_TRUE(scriptError.empty());
    EXPECT_EQ(documentState.references, loadedReferences);
}

TEST_F(HostCoreTest, ZoomIsClampedToTheDocumentsRange) {
    VARIANT in, out;
    VariantInit(&in);
    VariantInit(&out);
    EXPECT_EQ(host->ExecDocumentCommand(nullptr, OLECMDID_ZOOM, in, out, 2), E_UNEXPECTED);  // no document
    host->SetZoom(100);                                                                       // nothing to do
    LoadDocument();
    host->SetZoom(10);
    EXPECT_EQ(documentState.lastZoomIn.vt, VT_I2);
    EXPECT_EQ(documentState.lastZoomIn.iVal, 25);
    host->SetZoom(1000);
    EXPECT_EQ(documentState.lastZoomIn.vt, VT_I2);
    EXPECT_EQ(documentState.lastZoomIn.iVal, 400);
    host->SetZoom(150);
    EXPECT_EQ(documentState.lastZoomIn.vt, VT_I4);
    EXPECT_EQ(documentState.lastZoomIn.lVal, 150);
    EXPECT_EQ(documentState.rangeCalls, 3);
    EXPECT_EQ(documentState.zoomCalls, 3);
    EXPECT_EQ(documentState.references, loadedReferences);
}

TEST_F(HostCoreTest, ReParentingKeepsTheBrowserWindowAtTheOriginWithTheNewSize) {
    form->Show();
    HWND window = host->Handle();
    ASSERT_EQ(window, Control().shellEmbedding);
    TSizedForm other(nullptr, 320, 200);
    other.Show();
    host->SetParent(&other);
    ASSERT_TRUE(host->HandleAllocated());
    EXPECT_EQ(host->Handle(), window);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), other.Handle());
    EXPECT_EQ(host->ParkedHandle, nullptr);
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, other.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 320);
    EXPECT_EQ(r.bottom, 200);
    EXPECT_EQ(std::count(Control().calls.begin(), Control().calls.end(), "InPlaceDeactivate"), 0);
    host->SetParent(form.get());  // home again before the other form goes
}

TEST_F(HostCoreTest, FindChildWindowByClassFollowsFirstChildrenOnly) {
    EXPECT_EQ(host->FindChildWindowByClass(L"Internet Explorer_Server"), nullptr);  // no window yet
    form->Show();
    EXPECT_EQ(host->FindChildWindowByClass(L"Internet Explorer_Server"), nullptr);  // no page yet
    Control().LoadDocument();
    ASSERT_NE(Control().ieServer, nullptr);
    EXPECT_EQ(host->FindChildWindowByClass(L"Internet Explorer_Server"), Control().ieServer);
    EXPECT_EQ(host->FindChildWindowByClass(L"internet explorer_server"), nullptr);  // case counts
    // A second child of the view is never visited.
    HWND second = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 1, 1, Control().docObjectView, nullptr,
                                  nullptr, nullptr);
    SetWindowPos(second, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(GetWindow(Control().docObjectView, GW_CHILD), Control().ieServer);
    EXPECT_EQ(host->FindChildWindowByClass(L"Static"), nullptr);
    DestroyWindow(second);

    EXPECT_EQ(FindParentWindowByClass(Control().ieServer, L"Shell Embedding"), Control().shellEmbedding);
    EXPECT_EQ(FindParentWindowByClass(Control().ieServer, L"NoSuchClass"), nullptr);
    EXPECT_EQ(GetWindowClassNameW(Control().ieServer), L"Internet Explorer_Server");
    EXPECT_EQ(GetWindowClassNameW(reinterpret_cast<HWND>(0x1234)), L"");
    EXPECT_EQ(GetWindowTextString(Control().ieServer), L"");
    SetWindowTextW(Control().ieServer, L"Document");
    EXPECT_EQ(GetWindowTextString(Control().ieServer), L"Document");
}

TEST_F(HostCoreTest, ActivateBrowserUINeedsADocumentAndRestoresAllowFocus) {
    form->Show();
    host->ActivateBrowserUI();
    EXPECT_EQ(std::count(Control().calls.begin(), Control().calls.end(), "DoVerb -4"), 0);
    LoadDocument();
    host->AllowFocus = false;
    host->ActivateBrowserUI();
    EXPECT_EQ(std::count(Control().calls.begin(), Control().calls.end(), "DoVerb -4"), 1);
    EXPECT_FALSE(host->AllowFocus);
    EXPECT_EQ(form->ActiveControl(), host);
    EXPECT_EQ(host->GetHTMLDocument().Get() != nullptr, true);
}

TEST(SharedRoutines, TaskMemoryBlocksComeFromTheCOMAllocator) {
    ComPtr<IMalloc> allocator;
    ASSERT_EQ(CoGetMalloc(1, &allocator), S_OK);
    wchar_t* a = AnsiToTaskMemWide("pgame");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(allocator->DidAlloc(a), 1);
    EXPECT_EQ(std::wstring(a), L"pgame");
    EXPECT_EQ(allocator->GetSize(a), 12u);
    CoTaskMemFree(a);
    wchar_t* z = WideToTaskMemZeroed(L"key");
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(allocator->DidAlloc(z), 1);
    EXPECT_EQ(allocator->GetSize(z), 8u);
    EXPECT_EQ(std::wstring(z), L"key");
    CoTaskMemFree(z);
    wchar_t* empty = WideToTaskMemZeroed(L"");
    EXPECT_EQ(empty[0], L'\0');
    CoTaskMemFree(empty);

    EXPECT_EQ(CharPos('N', "N"), 1);
    EXPECT_EQ(CharPos('P', "NOP"), 3);
    EXPECT_EQ(CharPos('n', "N"), 0);
    EXPECT_EQ(CharPos('N', ""), 0);
}
