#include "PageWindows.h"

#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <utility>

#include "framework/Boundary.h"

namespace example {

std::wstring StartPage() {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    return L"res://" + std::wstring(program) + L"/page.html";
}

// ---- the page ----

ewb::TEmbeddedWB* TPage::Make(ui::TComponent* owner, ui::TWinControl* parent, std::function<void()> closeWindow) {
    auto* browser = new ewb::TEmbeddedWB(owner);
    browser->SetParent(parent);
    browser->SetAlign(ui::alClient);
    // The page is the program's own: no context menu (View Source, Print,
    // Back ...), and none of the engine's Ctrl shortcuts that open, print
    // or leave it (New window, Open, Open location, Print).
    browser->DisabledPopupMenus = {ewb::rcmAll};
    browser->SetDisableCtrlShortcuts("NOLP");
    new TPage(browser, std::move(closeWindow));
    browser->Navigate(StartPage());
    return browser;
}

TPage::TPage(ewb::TEmbeddedWB* browser, std::function<void()> closeWindow)
    : TComponent(browser), browser_(browser), closeWindow_(std::move(closeWindow)) {
    browser->OnBeforeNavigate2 = ewb::TEWBBeforeNavigate2::Of<&TPage::BeforeNavigate2>(this);
    browser->OnNewWindow3 = ewb::TEWBNewWindow3::Of<&TPage::NewWindow3>(this);
    browser->OnGetExternal = ewb::TGetExternalEvent::Of<&TPage::GetExternal>(this);
    browser->OnWindowClosing = ewb::TEWBWindowClosing::Of<&TPage::WindowClosing>(this);
}

HWND TPage::Window() { return GetAncestor(browser_->Handle(), GA_ROOT); }

// Every navigation asks first, the page's links among them. The program's
// own scheme, app:, names its commands: the program runs them, and the
// engine, which knows no such scheme, is told not to go there.
void TPage::BeforeNavigate2(ui::TObject*, IDispatch*, VARIANT& URL, VARIANT&, VARIANT&, VARIANT&, VARIANT&,
                            ewb::WordBool& Cancel) {
    const std::wstring url = ewb::VariantText(URL);
    if (!ewb::HasScheme(url, L"app")) return;
    Cancel = VARIANT_TRUE;
    if (_wcsicmp(url.c_str() + 4, L"new-window") == 0) CreatePageWindow(Window());
}

// A link with a target or window.open(): a web page goes to the default
// browser instead of a window of the engine's own, and nothing else goes
// anywhere: "open" on a file: address or a path runs what it names.
// (NewWindow2 comes too, without the address; the example leaves it alone.)
void TPage::NewWindow3(ui::TObject*, IDispatch*&, ewb::WordBool& Cancel, uint32_t, const std::wstring&,
                       const std::wstring& bstrUrl) {
    Cancel = VARIANT_TRUE;
    if (ewb::HasScheme(bstrUrl, L"http") || ewb::HasScheme(bstrUrl, L"https"))
        ShellExecuteW(Window(), L"open", bstrUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// window.external, for the page's script. Made when the page asks for it,
// holding the window's handle rather than this page, and asking whether it
// is still a window: a script may keep the object after the window has gone.
void TPage::GetExternal(ui::TObject*, ui::ComPtr<IDispatch>& External) {
    const HWND window = Window();
    External = ewb::MakeScriptObject({
        {L"programName", [](const ewb::TScriptArgs&) { return ui::TVariant::String(L"Browser example"); }, true},
        {L"setTitle",
         [window](const ewb::TScriptArgs& args) {
             if (IsWindow(window))
                 SetWindowTextW(window, args.empty() ? L"" : ewb::VariantText(args[0].Get()).c_str());
             return ui::TVariant();
         }},
    });
}

// window.close() in the page closes its window. The engine is told that the
// program does it, and the window closes once the engine's call is over:
// the engine's script is still running below this handler, and a browser
// destroyed under it would leave it a dead document to go on with.
void TPage::WindowClosing(ui::TObject*, ewb::WordBool, ewb::WordBool& Cancel) {
    Cancel = VARIANT_TRUE;
    const std::function<void()> close = closeWindow_;
    close();
}

// ---- the page in a form of the framework ----

TPageForm::TPageForm(ui::TComponent* owner) : TForm(owner) { LoadDefinition(); }

void TPageForm::ReadDefinition() {
    SetCaption(L"Browser example: a form");
    SetClientWidth(560);
    SetClientHeight(400);
    SetPosition(ui::poScreenCenter);
    Browser = TPage::Make(this, this, [this] { PostMessageW(Handle(), WM_CLOSE, 0, 0); });
}

// ---- the page in a plain window ----

namespace {

const wchar_t kPageWindowClass[] = L"BrowserExamplePageWindow";

// The browser lies in a form of the framework made to be a child of the
// plain window: the form gives it its place, the focus and its keys. The
// window sizes the form, hands it the focus and frees it as it goes.
struct TPageWindow {
    std::unique_ptr<ui::TForm> Host;
};

TPageWindow* PageWindowOf(HWND window) {
    return reinterpret_cast<TPageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK PageWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    TPageWindow* page = PageWindowOf(window);
    switch (msg) {
    case WM_CREATE:
        // No exception may leave a window procedure: Boundary shows it in
        // the error box, and -1 makes the window's creation fail.
        return ui::Boundary(nullptr, LRESULT(-1), [&] {
            auto made = std::make_unique<TPageWindow>();
            made->Host = std::make_unique<ui::TForm>(nullptr);
            made->Host->SetParentWindow(window);
            TPage::Make(made->Host.get(), made->Host.get(), [window] { PostMessageW(window, WM_CLOSE, 0, 0); });
            made->Host->Show();
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made.release()));
            return LRESULT(0);
        });
    case WM_SIZE:
        if (page) page->Host->SetBounds(0, 0, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        // Activated, the window is given the focus: the form hands it on
        // to the page.
        if (page) SetFocus(page->Host->Handle());
        return 0;
    case WM_DESTROY:
        // The browser goes while its window is still there.
        // A window whose making failed ends nothing: the program still
        // has its error to show.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (page && !GetWindow(window, GW_OWNER)) PostQuitMessage(0);
        delete page;
        return 0;
    default:
        return DefWindowProcW(window, msg, wParam, lParam);
    }
}

}  // namespace

HWND CreatePageWindow(HWND owner) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kPageWindowClass, &windowClass)) {
        windowClass.lpfnWndProc = PageWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        windowClass.lpszClassName = kPageWindowClass;
        if (!RegisterClassExW(&windowClass)) return nullptr;
    }
    HWND window = CreateWindowExW(0, kPageWindowClass, L"Browser example: a plain window", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, owner, nullptr, instance, nullptr);
    if (window) ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

int RunMessageLoop() {
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The framework's controls see each message first: a key for the
        // page goes to it before it is translated (its accelerators, the
        // masked shortcuts).
        if (ui::Application->PreTranslateMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace example
