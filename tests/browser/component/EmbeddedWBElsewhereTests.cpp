// The component as other programs use it: made in code rather than read
// from a definition, in a window and a message loop of the program's own,
// and only once the component has been started.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbControlComponent.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInRegistration;

namespace {

const GUID kCgidExplorer = {0x000214D0, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool OwnerHookedBy(TEmbeddedWB* browser, TWinControl* owner) {
    return OwnerHooked && browser->HookedOwner == owner &&
           owner->WindowProc == TWndMethod::Of<&TEmbeddedWB::OwnerWindowProc>(browser);
}

}  // namespace

// Made in code, a browser runs the loading steps as one read from a
// definition does at its end: once it has a parent and its owner a window
// (for the owner hook that watches the engine's dialogs), at the latest when
// its own window is made; a second call changes nothing.
TEST(EmbeddedWBInCode, ABrowserMadeInCodeRunsTheLoadingStepsOnceItHasAParent) {
    struct TCase {
        const char* Name;
        bool OwnerWindowFirst;  // the form's window is there before the browser gets its parent
    } cases[] = {{"the owner's window first", true}, {"the owner's window made with the browser's", false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TStandInRegistration registration;
        TForm form(nullptr);
        form.SetClientWidth(300);
        form.SetClientHeight(200);
        if (c.OwnerWindowFirst) form.HandleNeeded();
        auto* browser = new TEmbeddedWB(&form);
        browser->DisableErrors().ScriptErrorsSuppressed = true;
        browser->ScriptErrorAction = eaCancel;
        EXPECT_FALSE(browser->SecurityManager);  // no parent yet
        browser->SetParent(&form);
        browser->SetAlign(alClient);
        EXPECT_EQ(bool(browser->SecurityManager), c.OwnerWindowFirst);
        form.Show();
        EXPECT_TRUE(browser->WindowProcInstalled);
        EXPECT_TRUE(browser->SecurityManager);
        EXPECT_TRUE(browser->ZoneManager);
        EXPECT_EQ(browser->ScriptErrorAction, eaContinue);
        EXPECT_TRUE(OwnerHookedBy(browser, &form));

        IInternetSecurityManager* manager = browser->SecurityManager.Get();
        browser->ScriptErrorAction = eaCancel;
        browser->AfterLoad();
        EXPECT_EQ(browser->SecurityManager.Get(), manager);
        EXPECT_EQ(browser->ScriptErrorAction, eaCancel);
        EXPECT_TRUE(OwnerHookedBy(browser, &form));
    }
}

// Without the component's start-up a browser would show pages with its
// focus handling, wheel routing and drag and drop silently off: it is
// refused before its control is made, with what to do in the message.
TEST(EmbeddedWBInCode, ABrowserMadeWithoutTheStartUpIsRefusedWithAClearError) {
    TStandInRegistration registration;
    EmbeddedWBShutDown();  // as after the program's start-up has ended
    try {
        TEmbeddedWB browser(nullptr);
        ADD_FAILURE() << "made without the start-up";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("TBrowserStartUp"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(registration.Instances().empty());
    EmbeddedWBStartUp();
    { TEmbeddedWB browser(nullptr); }
    EXPECT_EQ(registration.Instances().size(), 1u);
    // One start-up object per program: a second would end the first's
    // modules under it.
    EXPECT_THROW(TBrowserStartUp second, Exception);
    EXPECT_TRUE(BrowserStarted());
}

namespace {
LRESULT CALLBACK PlainWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, msg, wParam, lParam);
}
}  // namespace

// A program with a window and a loop of its own: a form inside its window
// carries the browser; its loop gives the framework the first look at each
// message, so the page's masked shortcuts and the focus handling work as in
// a form of the framework's own.
TEST(EmbeddedWBInAnyWindow, APlainWindowAndLoopOfTheProgramHostTheBrowserWithItsKeysAndFocus) {
    TStandInRegistration registration;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &PlainWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PlainProgramWindow";
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, L"plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 420,
                                 320, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(frame, nullptr);
    RECT frameClient;
    GetClientRect(frame, &frameClient);

    auto host = std::make_unique<TForm>(nullptr);
    host->SetParentWindow(frame);
    auto* browser = new TEmbeddedWB(host.get());
    browser->SetParent(host.get());
    browser->SetAlign(alClient);
    host->Show();
    standin::TStandInBrowser& control = *registration.Last();
    control.LoadDocument();
    EXPECT_EQ(GetParent(host->Handle()), frame);
    RECT hostRect;
    GetClientRect(host->Handle(), &hostRect);
    EXPECT_EQ(hostRect.right, frameClient.right);
    EXPECT_EQ(hostRect.bottom, frameClient.bottom);
    EXPECT_TRUE(OwnerHookedBy(browser, host.get()));

    // An engine's box takes the activation from the program's window, not
    // from the form inside it (a child): the box options reach it there.
    browser->DialogBoxes().NewCaption = L"Game";
    HWND box = CreateWindowExW(0, L"#32770", L"Microsoft Internet Explorer", WS_POPUP, 0, 0, 50, 50, frame, nullptr,
                               nullptr, nullptr);
    SendMessageW(frame, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(box));
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    EXPECT_STREQ(caption, L"Game");
    DestroyWindow(box);

    // The control's frame is the program's top-level window.
    ComPtr<IOleInPlaceSite> site;
    ASSERT_EQ(control.site.As(&site), S_OK);
    ComPtr<IOleInPlaceFrame> frameView;
    ComPtr<IOleInPlaceUIWindow> documentView;
    RECT pos, clip;
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof info;
    ASSERT_EQ(site->GetWindowContext(&frameView, &documentView, &pos, &clip, &info), S_OK);
    EXPECT_EQ(info.hwndFrame, frame);

    // The program gives its form the focus when its window is activated: the
    // focus goes on to the page.
    ComPtr<IOleCommandTarget> commands;
    ASSERT_EQ(control.site.As(&commands), S_OK);
    commands->Exec(&kCgidExplorer, OLECMDID_PREREFRESH, 0, nullptr, nullptr);
    SetForegroundWindow(frame);
    testsupport::PumpFor(50);
    host->FocusChanged(browser);
    SetFocus(host->Handle());
    testsupport::PumpFor(50);
    EXPECT_EQ(GetFocus(), control.ieServer);
    EXPECT_EQ(Application->ActiveForm(), host.get());

    // Back from another program, the focus left on the program's window: the
    // focus handling hands it to the page again.
    EwbControl->FocusControl()->SetActive(true);
    SetFocus(frame);
    SendMessageW(Application->Handle(), CM_ACTIVATE, 0, 0);
    testsupport::PumpFor(50);
    EXPECT_EQ(GetFocus(), control.ieServer);

    // Typing, through the program's own loop: Ctrl+N is swallowed, the
    // rest reaches the page.
    int taken = 0;
    for (bool ctrl : {false, true}) {
        BYTE state[256] = {};
        if (ctrl) state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        PostMessageW(control.ieServer, WM_KEYDOWN, 'N', 0x00310001);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (Application->PreTranslateMessage(msg)) {
                ++taken;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    BYTE none[256] = {};
    SetKeyboardState(none);
    EXPECT_EQ(control.keysOffered, (std::vector<WPARAM>{'N', 'N'}));
    EXPECT_EQ(control.keysToPage, (std::vector<WPARAM>{'N'}));
    EXPECT_EQ(taken, 1);

    // The program frees its form as its window goes.
    host.reset();
    DestroyWindow(frame);
}

// What a program's handlers read of the control's raw arguments: the text
// of a VARIANT, however the control passes it, and a URL's scheme.
TEST(EmbeddedWBHelpers, TheTextOfAnArgumentAndTheSchemeOfAUrl) {
    TVariant text = TVariant::String(L"app:new-window"), number = TVariant::Int32(42), empty, noString, null,
             object = TVariant::Dispatch(nullptr);
    noString.Get().vt = VT_BSTR;  // a null string
    null.Get().vt = VT_NULL;
    BSTR held = text.Get().bstrVal;
    VARIANT variantRef = {}, stringRef = {};
    variantRef.vt = VT_BYREF | VT_VARIANT;
    variantRef.pvarVal = text.Ptr();
    stringRef.vt = VT_BYREF | VT_BSTR;
    stringRef.pbstrVal = &held;
    const struct {
        const char* Name;
        const VARIANT& Value;
        const wchar_t* Text;
    } texts[] = {{"a string", text.Get(), L"app:new-window"}, {"a variant by reference", variantRef, L"app:new-window"},
                 {"a string by reference", stringRef, L"app:new-window"}, {"a number", number.Get(), L"42"},
                 {"empty", empty.Get(), L""}, {"a null string", noString.Get(), L""}, {"null", null.Get(), L""},
                 {"an object without text", object.Get(), L""}};
    for (const auto& c : texts) EXPECT_EQ(VariantText(c.Value), c.Text) << c.Name;

    const struct {
        const wchar_t* Url;
        const wchar_t* Scheme;
        bool Has;
    } schemes[] = {{L"app:new-window", L"app", true}, {L"APP:new-window", L"app", true}, {L"app:x", L"App", true},
                   {L"apple:x", L"app", false},       {L"ap:x", L"app", false},          {L"app", L"app", false},
                   {L"http://app:80/", L"app", false}, {L"app:x", L"", false}};
    for (const auto& c : schemes) EXPECT_EQ(HasScheme(c.Url, c.Scheme), c.Has) << WideToAnsi(c.Url);
}

namespace {
// A script's call: the object's number for the name, then Invoke with the
// arguments (last first, as DISPPARAMS holds them). Answers the value's
// text, or the failure's code and description.
std::string ScriptCall(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID dispid = 0;
    if (object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid) != S_OK) return "no such name";
    std::reverse(args.begin(), args.end());
    DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    TVariant result;
    EXCEPINFO excep = {};
    UINT argError = ~0u;
    const HRESULT hr = object->Invoke(dispid, IID_NULL, 0, flags, &params, result.Receive(), &excep, &argError);
    std::string failure = LowerHex(static_cast<unsigned long>(hr), 8) + " " +
                          WideToAnsi(excep.bstrDescription ? excep.bstrDescription : L"");
    if (excep.scode) failure += " (" + LowerHex(static_cast<unsigned long>(excep.scode), 8) + ")";
    if (hr == DISP_E_TYPEMISMATCH) failure += " at " + std::to_string(argError);
    ClearExceptionInfo(excep);
    if (FAILED(hr)) return failure;
    return WideToAnsi(VariantText(result.Get()));
}
}  // namespace

// The page's script reaches the program's functions by name, in any case,
// with its arguments first to last; what a function raises is the call's
// error, with its message, and goes no further.
TEST(EmbeddedWBHelpers, AScriptObjectCallsItsMembersByName) {
    ComPtr<IDispatch> object = MakeScriptObject({
        {L"join",
         [](const TScriptArgs& args) {
             std::wstring all;
             for (const TVariant& a : args) all += VariantText(a.Get()) + L";";
             return TVariant::String(all);
         }},
        {L"fail", [](const TScriptArgs&) -> TVariant { throw Exception("no such page"); }},
        {L"count", [](const TScriptArgs&) { return TVariant::Int32(3); }, true},
    });
    TVariant a = TVariant::String(L"a"), b = TVariant::Int32(2);
    VARIANT badType = {};
    badType.vt = 0x0fff;  // no such type: it cannot be copied
    VARIANT byReference = {};
    byReference.vt = VT_BYREF | VT_VARIANT;
    byReference.pvarVal = a.Ptr();
    const struct {
        const wchar_t* Name;
        WORD Flags;
        std::vector<VARIANT> Args;
        const char* Answer;
    } cases[] = {
        {L"join", DISPATCH_METHOD, {a.Get(), b.Get()}, "a;2;"},
        {L"JOIN", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {byReference}, "a;"},
        {L"join", DISPATCH_PROPERTYGET, {}, "80020003 "},  // a read of a method runs nothing
        {L"count", DISPATCH_PROPERTYGET, {}, "3"},
        {L"count", DISPATCH_PROPERTYGET, {a.Get()}, "8002000e "},  // DISP_E_BADPARAMCOUNT
        {L"join", DISPATCH_PROPERTYPUT, {a.Get()}, "80020003 "},  // DISP_E_MEMBERNOTFOUND
        {L"join", DISPATCH_METHOD, {a.Get(), badType, b.Get()}, "80020005  at 1"},  // DISP_E_TYPEMISMATCH
        {L"fail", DISPATCH_METHOD, {}, "80020009 no such page (80004005)"},  // DISP_E_EXCEPTION, E_FAIL
        {L"go", DISPATCH_METHOD, {}, "no such name"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScriptCall(object.Get(), c.Name, c.Flags, c.Args), c.Answer) << WideToAnsi(c.Name);
}
