// The yardstick of the start-up and idle benchmarks: the least a Win32
// program does to show the configured page in the platform's WebBrowser
// control, doing the work the launcher must do before its window shows, in
// this order: OLE, a synchronous URLDownloadToFileA of the configuration
// into the program's folder, reading Web from it, one 640 x 480 window,
// the control created, in-place activated and navigated, the window shown.
// No framework, no host queries answered, no hooks.
//   bare_host CONFIGURATION_URL
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <string>

#include "framework/StartupMarks.h"

using Microsoft::WRL::ComPtr;

namespace {

// Client site, in-place site and frame in one object: the control needs
// all three to activate in place, and answers nothing else of the host.
class TBareSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit TBareSite(HWND window) : window_(window) {}

    // IUnknown: the object lives as long as the window, on the stack of
    // WinMain, so the counts only have to be answered.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = this;
        *document = nullptr;
        GetClientRect(window_, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND window_;
};

LRESULT CALLBACK BareProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

// The program's folder, with its trailing separator.
std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, n);
    return full.substr(0, full.find_last_of("\\:") + 1);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    STARTUP_MARK("entry");
    if (FAILED(OleInitialize(nullptr))) return 1;
    STARTUP_MARK("OLE");
    int result = 1;
    {
        // The configuration: fetched whatever the outcome, then read.
        const std::string configuration = ProgramFolder() + "pgame.ini";
        URLDownloadToFileA(nullptr, commandLine, configuration.c_str(), 0, nullptr);
        STARTUP_MARK("fetch");
        char web[2048];
        const DWORD length =
            GetPrivateProfileStringA("Init", "Web", "about:blank", web, sizeof web, configuration.c_str());
        std::wstring url(length, L'\0');
        if (length) url.resize(MultiByteToWideChar(CP_ACP, 0, web, static_cast<int>(length), &url[0], static_cast<int>(length)));
        STARTUP_MARK("Web read");

        WNDCLASSW wc = {};
        wc.lpfnWndProc = BareProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = L"BareHost";
        RegisterClassW(&wc);
        RECT frame = {0, 0, 640, 480};
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        AdjustWindowRect(&frame, style, FALSE);
        HWND window = CreateWindowExW(0, wc.lpszClassName, L"Bare host", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                      nullptr);
        STARTUP_MARK("window created");
        TBareSite site(window);
        ComPtr<IOleObject> control;
        ComPtr<IWebBrowser2> browser;
        const bool created = window && SUCCEEDED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                                                  IID_PPV_ARGS(&control)));
        STARTUP_MARK("control created");
        if (created && SUCCEEDED(control->SetClientSite(&site)) && SUCCEEDED(control.As(&browser))) {
            STARTUP_MARK("control site set");
            RECT client;
            GetClientRect(window, &client);
            control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &client);
            STARTUP_MARK("control in-place activated");
            BSTR address = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
            browser->Navigate(address, nullptr, nullptr, nullptr, nullptr);
            SysFreeString(address);
            STARTUP_MARK("navigated");
            ShowWindow(window, show);
            STARTUP_MARK("shown");
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            control->Close(OLECLOSE_NOSAVE);
            control->SetClientSite(nullptr);
            result = 0;
        }
    }
    OleUninitialize();
    return result;
}
