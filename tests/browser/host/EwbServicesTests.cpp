// The host's services and drag and drop, asked through the site as the
// engine asks.
#include <gtest/gtest.h>

#include <memory>

#include "browser/host/EwbCore.h"
#include "framework/Forms.h"
#include "HostFixture.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;

namespace {

const GUID kNewWindowManager = {0xD2BC4C84, 0x3F72, 0x4A52, {0xA6, 0x04, 0x7B, 0xCB, 0xF3, 0x98, 0x2C, 0xBB}};
const GUID kProtectFocus = {0xD81F90A3, 0x8156, 0x44F7, {0xAD, 0x28, 0x5A, 0xBB, 0x87, 0x00, 0x32, 0x74}};
const GUID kDownloadManager = {0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};
const GUID kHostBehaviorInit = {0x3050F842, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const GUID kOMWindowServices = {0x3050F5FC, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const GUID kSomeService = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

class TServiceForm : public TForm {
public:
    explicit TServiceForm(TComponent* owner) : TForm(owner) { SetBorderStyle(bsSingle); }
};

// An object an application hands out itself.
class TOwnDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDropTarget) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    long refs = 1;
};

class ServicesTest : public HostOnStandInTest<TServiceForm> {
protected:
    void SetUp() override { MakeHost(400, 300); }
    ComPtr<IServiceProvider> Services() { return SiteAs<IServiceProvider>(); }
    template <typename I>
    HRESULT Ask(REFGUID service, ComPtr<I>& out) {
        return Services()->QueryService(service, __uuidof(I), reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    }
    HRESULT AskFor(REFGUID service, REFIID iid) {
        IUnknown* object = nullptr;
        HRESULT hr = Services()->QueryService(service, iid, reinterpret_cast<void**>(&object));
        if (object) object->Release();
        return hr;
    }
    ComPtr<IDocHostUIHandler> Handler() { return SiteAs<IDocHostUIHandler>(); }

public:
    std::vector<std::string> log;
    IUnknown* supplied = nullptr;
    std::wstring user, password;
    bool clearTarget = false;
    void QueryServiceEvent(TObject*, const GUID&, const GUID&, ComPtr<IUnknown>& obj) {
        log.push_back("query");
        obj = supplied;
    }
    void Evaluate(TObject*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, BOOL, uint32_t, uint32_t,
                  HRESULT& r) {
        log.push_back("evaluate");
        r = S_FALSE;
    }
    void Authenticate(TObject*, HWND&, std::wstring& u, std::wstring& p, HRESULT&) {
        log.push_back("authenticate");
        u = user;
        p = password;
    }
    void MovedBy(TObject*, int32_t x, int32_t y) { log.push_back("moveBy " + std::to_string(x) + "," + std::to_string(y)); }
    void Resized(TObject*, int32_t x, int32_t y) { log.push_back("resize " + std::to_string(x) + "," + std::to_string(y)); }
    void DenyFocus(TObject*, BOOL& value) { value = FALSE; }
    void GetDropTargetEvent(TObject*, ComPtr<IDropTarget>& target) {
        log.push_back("getdroptarget");
        if (clearTarget) target.Reset();
    }
};

}  // namespace

TEST_F(ServicesTest, FocusProtectionIsServedWithoutAnyEvent) {
    ComPtr<IProtectFocus> focus;
    ASSERT_EQ(Ask(kProtectFocus, focus), S_OK);
    BOOL allow = FALSE;
    EXPECT_EQ(focus->AllowFocusChange(&allow), S_OK);
    EXPECT_TRUE(allow);
    host->OnAllowFocusChange = TBoolQueryEvent::Of<&ServicesTest::DenyFocus>(this);
    EXPECT_EQ(focus->AllowFocusChange(&allow), S_OK);
    EXPECT_FALSE(allow);

    // The same service asked for an interface we do not have: refused,
    // unless the application supplies one.
    EXPECT_EQ(AskFor(kProtectFocus, IID_IStream), E_NOINTERFACE);
    supplied = host->BrowserInterface();  // an object with IOleObject, which we lack
    host->OnQueryService = TQueryServiceEvent::Of<&ServicesTest::QueryServiceEvent>(this);
    // Rule 2 matched and failed, which ends the rules; the event's object
    // is the answer, asked for the interface wanted.
    EXPECT_EQ(AskFor(kProtectFocus, IID_IOleObject), S_OK);
    EXPECT_EQ(log, std::vector<std::string>{"query"});
    // An object without that interface is no answer.
    EXPECT_EQ(AskFor(kProtectFocus, IID_IStream), E_NOINTERFACE);
    EXPECT_EQ(log, (std::vector<std::string>{"query", "query"}));
}

TEST_F(ServicesTest, TheLaunchersConfigurationServesOnlyFocusProtection) {
    EXPECT_EQ(AskFor(kProtectFocus, __uuidof(IProtectFocus)), S_OK);
    EXPECT_EQ(AskFor(kNewWindowManager, __uuidof(INewWindowManager)), E_NOINTERFACE);
    EXPECT_EQ(AskFor(kDownloadManager, __uuidof(IDownloadManager)), E_NOINTERFACE);
    EXPECT_EQ(AskFor(kHostBehaviorInit, __uuidof(IHostBehaviorInit)), E_NOINTERFACE);
    EXPECT_EQ(AskFor(kOMWindowServices, __uuidof(IHTMLOMWindowServices)), E_NOINTERFACE);
    EXPECT_EQ(AskFor(kSomeService, IID_IAuthenticate), E_NOINTERFACE);
    ComPtr<IZoomEvents> zoom;
    ASSERT_EQ(Control().site.As(&zoom), S_OK);
    EXPECT_EQ(zoom->OnZoomPercentChanged(150), S_FALSE);
}

TEST_F(ServicesTest, NewWindowManagerWithoutItsEventGoesToOnQueryService) {
    TOwnDropTarget object;
    supplied = &object;
    host->OnQueryService = TQueryServiceEvent::Of<&ServicesTest::QueryServiceEvent>(this);
    EXPECT_EQ(AskFor(kNewWindowManager, IID_IDropTarget), S_OK);  // the event's object
    EXPECT_EQ(log, std::vector<std::string>{"query"});

    log.clear();
    host->OnEvaluateNewWindow = TEvaluateNewWindowEvent::Of<&ServicesTest::Evaluate>(this);
    ComPtr<INewWindowManager> manager;
    ASSERT_EQ(Ask(kNewWindowManager, manager), S_OK);
    EXPECT_TRUE(log.empty());  // served by the host itself
    EXPECT_EQ(manager->EvaluateNewWindow(L"http://x/", L"", L"", L"", FALSE, 0, 0), S_FALSE);
    EXPECT_EQ(log, std::vector<std::string>{"evaluate"});
    object.refs = 1;
}

TEST_F(ServicesTest, AuthenticationIsServedForAnyServiceOnceItsEventIsSet) {
    host->OnAuthenticate = TAuthenticateEvent::Of<&ServicesTest::Authenticate>(this);
    ComPtr<IAuthenticate> auth;
    ASSERT_EQ(Ask(kSomeService, auth), S_OK);

    HWND window = reinterpret_cast<HWND>(1);
    LPWSTR name = reinterpret_cast<LPWSTR>(1), pass = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(auth->Authenticate(&window, &name, &pass), S_OK);
    EXPECT_EQ(window, host->Handle());
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(pass, nullptr);

    user = L"player";
    password = L"secret";
    ASSERT_EQ(auth->Authenticate(&window, &name, &pass), S_OK);
    ComPtr<IMalloc> allocator;
    CoGetMalloc(1, &allocator);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::wstring(name), L"player");
    EXPECT_EQ(allocator->DidAlloc(name), 1);
    EXPECT_EQ(std::wstring(pass), L"secret");
    CoTaskMemFree(name);
    CoTaskMemFree(pass);
}

TEST_F(ServicesTest, ScriptMovesTheFloatingFormAndOnlyReportsOtherwise) {
    form->Show();
    SetWindowPos(form->Handle(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    host->OnMoveBy = TOMWindowMoveEvent::Of<&ServicesTest::MovedBy>(this);
    ComPtr<IHTMLOMWindowServices> services;
    ASSERT_EQ(Ask(kOMWindowServices, services), S_OK);  // an event is set

    EXPECT_EQ(services->moveBy(10, -5), S_OK);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 100);  // not floating: the form stays
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(log, std::vector<std::string>{"moveBy 10,-5"});

    host->FloatingHosting = true;
    EXPECT_EQ(services->moveBy(10, -5), S_OK);
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.top, 115);

    RECT before;
    GetWindowRect(form->Handle(), &before);
    host->OnResizeBy = TOMWindowMoveEvent::Of<&ServicesTest::Resized>(this);
    EXPECT_EQ(services->resizeBy(20, 10), S_OK);
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right - r.left, before.right - before.left + 20);
    EXPECT_EQ(r.bottom - r.top, before.bottom - before.top + 10);
    EXPECT_EQ(services->moveTo(5, 6), S_OK);
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
}

TEST_F(ServicesTest, CustomDropHandlingWithoutAWindowWaitsForGetDropTarget) {
    host->OnGetDropTarget = TGetDropTargetEvent::Of<&ServicesTest::GetDropTargetEvent>(this);
    host->SetDropHandlingType(ddtCustom);
    EXPECT_EQ(host->DropHandlingType(), ddtCustom);
    EXPECT_TRUE(log.empty());

    IDropTarget* target = nullptr;
    EXPECT_EQ(Handler()->GetDropTarget(nullptr, &target), S_OK);
    EXPECT_EQ(log, std::vector<std::string>{"getdroptarget"});
    ComPtr<IDropTarget> own;
    Control().site.As(&own);
    EXPECT_EQ(target, own.Get());

    clearTarget = true;
    EXPECT_EQ(Handler()->GetDropTarget(nullptr, &target), S_OK);
    EXPECT_EQ(target, nullptr);
}

TEST_F(ServicesTest, TheDocumentWindowsRegistrationFollowsTheKind) {
    form->Show();
    Control().LoadDocument();
    HWND document = Control().ieServer;
    ASSERT_NE(document, nullptr);
    TOwnDropTarget probe;

    host->OnGetDropTarget = TGetDropTargetEvent::Of<&ServicesTest::GetDropTargetEvent>(this);
    host->SetDropHandlingType(ddtCustom);
    host->SetDropHandlingType(ddtCustom);  // the same value: once
    EXPECT_EQ(log, std::vector<std::string>{"getdroptarget"});
    // The platform holds a registration for the window now.
    EXPECT_EQ(RegisterDragDrop(document, &probe), DRAGDROP_E_ALREADYREGISTERED);

    host->SetDropHandlingType(ddtNo);
    EXPECT_EQ(Control().registerAsDropTarget, VARIANT_FALSE);
    EXPECT_EQ(RevokeDragDrop(document), DRAGDROP_E_NOTREGISTERED);

    host->SetDropHandlingType(ddtMS);
    EXPECT_EQ(Control().registerAsDropTarget, VARIANT_TRUE);

    // An event that takes the target away: nothing is registered.
    clearTarget = true;
    host->SetDropHandlingType(ddtCustom);
    EXPECT_EQ(RevokeDragDrop(document), DRAGDROP_E_NOTREGISTERED);

    host->SetDropHandlingType(ddtMy);
    EXPECT_EQ(RevokeDragDrop(document), S_OK);
}

TEST_F(ServicesTest, GetDropTargetByKindAndTheOwnTargetRefusesDrops) {
    IDropTarget* target = reinterpret_cast<IDropTarget*>(1);
    EXPECT_EQ(Handler()->GetDropTarget(nullptr, &target), E_NOTIMPL);  // ddtMS: the engine's own
    EXPECT_EQ(target, nullptr);
    EXPECT_NE(std::find(Control().calls.begin(), Control().calls.end(), "RegisterAsDropTarget on"), Control().calls.end());

    host->SetDropHandlingType(ddtNo);
    Control().calls.clear();
    EXPECT_EQ(Handler()->GetDropTarget(nullptr, &target), S_OK);
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(Control().calls, std::vector<std::string>{"RegisterAsDropTarget off"});

    host->SetDropHandlingType(ddtMy);
    ASSERT_EQ(Handler()->GetDropTarget(nullptr, &target), S_OK);
    ASSERT_NE(target, nullptr);
    POINTL pt = {1, 2};
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(nullptr, 0, pt, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, pt, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(nullptr, 0, pt, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(target->DragLeave(), S_OK);
    target->Release();
}
