// The yardstick of the start-up benchmark: the least a Win32 program does to
// show a page in the platform's WebBrowser control. One 640 x 480 window,
// one in-place site, the control navigated to the address on the command
// line, and nothing else (no configuration, no framework, no host queries).
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (FAILED(OleInitialize(nullptr))) return 1;
    int result = 1;
    {
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
        TBareSite site(window);
        ComPtr<IOleObject> control;
        ComPtr<IWebBrowser2> browser;
        if (window && SUCCEEDED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_PPV_ARGS(&control))) &&
            SUCCEEDED(control->SetClientSite(&site)) && SUCCEEDED(control.As(&browser))) {
            RECT client;
            GetClientRect(window, &client);
            control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &client);
            int count = 0;
            LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
            if (args && count > 1) {
                BSTR url = SysAllocString(args[1]);
                browser->Navigate(url, nullptr, nullptr, nullptr, nullptr);
                SysFreeString(url);
            }
            LocalFree(args);
            ShowWindow(window, show);
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
