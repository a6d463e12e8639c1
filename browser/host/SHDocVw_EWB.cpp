#include "SHDocVw_EWB.h"

#include <array>

namespace ewb {

using namespace ui;

const CLSID CLSID_EWBWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID DIID_EWBWebBrowserEvents2 = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
const IID IID_EWBWebBrowser = {0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};
const IID IID_EWBWebBrowserApp = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_EWBWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

namespace {

constexpr unsigned kEventCount = 34;

// DWebBrowserEvents2 DISPIDs in handler order (not DISPID order).
const DISPID kEventDispIDs[kEventCount] = {
    DISPID_STATUSTEXTCHANGE,
    DISPID_PROGRESSCHANGE,
    DISPID_COMMANDSTATECHANGE,
    DISPID_DOWNLOADBEGIN,
    DISPID_DOWNLOADCOMPLETE,
    DISPID_TITLECHANGE,
    DISPID_PROPERTYCHANGE,
    DISPID_BEFORENAVIGATE2,
    DISPID_NEWWINDOW2,
    DISPID_NAVIGATECOMPLETE2,
    DISPID_DOCUMENTCOMPLETE,
    DISPID_ONQUIT,
    DISPID_ONVISIBLE,
    DISPID_ONTOOLBAR,
    DISPID_ONMENUBAR,
    DISPID_ONSTATUSBAR,
    DISPID_ONFULLSCREEN,
    DISPID_ONTHEATERMODE,
    DISPID_ONADDRESSBAR,
    DISPID_WINDOWSETRESIZABLE,
    DISPID_WINDOWSETLEFT,
    DISPID_WINDOWSETTOP,
    DISPID_WINDOWSETWIDTH,
    DISPID_WINDOWSETHEIGHT,
    DISPID_WINDOWCLOSING,
    DISPID_CLIENTTOHOSTWINDOW,
    DISPID_SETSECURELOCKICON,
    DISPID_FILEDOWNLOAD,
    DISPID_NAVIGATEERROR,
    DISPID_PRINTTEMPLATEINSTANTIATION,
    DISPID_PRINTTEMPLATETEARDOWN,
    DISPID_UPDATEPAGESTATUS,
    DISPID_PRIVACYIMPACTEDSTATECHANGE,
    DISPID_NEWWINDOW3,
};

// The arguments of one event, first argument at index 0 (DISPPARAMS holds
// them last first). By-reference arguments are handed out as references
// into the control's own memory, so that a handler's answer goes back.
class TEventArgs {
public:
    explicit TEventArgs(DISPPARAMS& params) : params_(params) {}

    bool Has(unsigned count) const { return params_.cArgs >= count; }
    unsigned Last() const { return params_.cArgs - 1; }

    VARIANT& Var(unsigned i) {
        VARIANTARG& a = At(i);
        if (a.vt == (VT_BYREF | VT_VARIANT) && a.pvarVal) return *a.pvarVal;
        return a;
    }
    std::wstring Text(unsigned i) {
        TVariant v;
        if (FAILED(VariantChangeType(v.Receive(), &Var(i), 0, VT_BSTR)) || !v.Get().bstrVal) return std::wstring();
        return std::wstring(v.Get().bstrVal, SysStringLen(v.Get().bstrVal));
    }
    int32_t Int(unsigned i) {
        TVariant v;
        return SUCCEEDED(VariantChangeType(v.Receive(), &Var(i), 0, VT_I4)) ? v.Get().lVal : 0;
    }
    WordBool Bool(unsigned i) {
        TVariant v;
        return SUCCEEDED(VariantChangeType(v.Receive(), &Var(i), 0, VT_BOOL)) ? v.Get().boolVal : VARIANT_FALSE;
    }
    IDispatch* Disp(unsigned i) {
        VARIANT& v = Var(i);
        if (v.vt == VT_DISPATCH) return v.pdispVal;
        if (v.vt == (VT_BYREF | VT_DISPATCH) && v.ppdispVal) return *v.ppdispVal;
        return nullptr;
    }
    WordBool& BoolRef(unsigned i) {
        VARIANTARG& a = At(i);
        if (a.vt == (VT_BYREF | VT_BOOL) && a.pboolVal) return *a.pboolVal;
        localBool_[i % localBool_.size()] = Bool(i);
        return localBool_[i % localBool_.size()];
    }
    int32_t& IntRef(unsigned i) {
        VARIANTARG& a = At(i);
        if (a.vt == (VT_BYREF | VT_I4) && a.plVal) return *reinterpret_cast<int32_t*>(a.plVal);
        localInt_[i % localInt_.size()] = Int(i);
        return localInt_[i % localInt_.size()];
    }
    IDispatch*& DispRef(unsigned i) {
        VARIANTARG& a = At(i);
        if (a.vt == (VT_BYREF | VT_DISPATCH) && a.ppdispVal) return *a.ppdispVal;
        localDisp_ = Disp(i);
        return localDisp_;
    }

private:
    VARIANTARG& At(unsigned i) { return params_.rgvarg[params_.cArgs - 1 - i]; }

    DISPPARAMS& params_;
    std::array<WordBool, 8> localBool_{};
    std::array<int32_t, 8> localInt_{};
    IDispatch* localDisp_ = nullptr;
};

struct TEventInvoker {
    unsigned ArgCount;
    void (*Invoke)(TEWB& w, TEventArgs& a);
};

// One row per event, in handler order; each calls its handler when set.
const TEventInvoker kInvokers[kEventCount] = {
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnStatusTextChange) w.OnStatusTextChange(&w, a.Text(0)); }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnProgressChange) w.OnProgressChange(&w, a.Int(0), a.Int(1)); }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnCommandStateChange) w.OnCommandStateChange(&w, a.Int(0), a.Bool(1)); }},
    {0, [](TEWB& w, TEventArgs&) { if (w.OnDownloadBegin) w.OnDownloadBegin(&w); }},
    {0, [](TEWB& w, TEventArgs&) { if (w.OnDownloadComplete) w.OnDownloadComplete(&w); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnTitleChange) w.OnTitleChange(&w, a.Text(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnPropertyChange) w.OnPropertyChange(&w, a.Text(0)); }},
    {7, [](TEWB& w, TEventArgs& a) {
         if (w.OnBeforeNavigate2)
             w.OnBeforeNavigate2(&w, a.Disp(0), a.Var(1), a.Var(2), a.Var(3), a.Var(4), a.Var(5), a.BoolRef(6));
     }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnNewWindow2) w.OnNewWindow2(&w, a.DispRef(0), a.BoolRef(1)); }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnNavigateComplete2) w.OnNavigateComplete2(&w, a.Disp(0), a.Var(1)); }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnDocumentComplete) w.OnDocumentComplete(&w, a.Disp(0), a.Var(1)); }},
    {0, [](TEWB& w, TEventArgs&) { if (w.OnQuit) w.OnQuit(&w); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnVisible) w.OnVisible(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnToolBar) w.OnToolBar(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnMenuBar) w.OnMenuBar(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnStatusBar) w.OnStatusBar(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnFullScreen) w.OnFullScreen(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnTheaterMode) w.OnTheaterMode(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnAddressBar) w.OnAddressBar(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnWindowSetResizable) w.OnWindowSetResizable(&w, a.Bool(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnWindowSetLeft) w.OnWindowSetLeft(&w, a.Int(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnWindowSetTop) w.OnWindowSetTop(&w, a.Int(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnWindowSetWidth) w.OnWindowSetWidth(&w, a.Int(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnWindowSetHeight) w.OnWindowSetHeight(&w, a.Int(0)); }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnWindowClosing) w.OnWindowClosing(&w, a.Bool(0), a.BoolRef(1)); }},
    {2, [](TEWB& w, TEventArgs& a) { if (w.OnClientToHostWindow) w.OnClientToHostWindow(&w, a.IntRef(0), a.IntRef(1)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnSetSecureLockIcon) w.OnSetSecureLockIcon(&w, a.Int(0)); }},
    // ActiveDocument, then Cancel; an older control gives Cancel alone.
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnFileDownload) w.OnFileDownload(&w, a.BoolRef(a.Last())); }},
    {5, [](TEWB& w, TEventArgs& a) {
         if (w.OnNavigateError) w.OnNavigateError(&w, a.Disp(0), a.Var(1), a.Var(2), a.Var(3), a.BoolRef(4));
     }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnPrintTemplateInstantiation) w.OnPrintTemplateInstantiation(&w, a.Disp(0)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnPrintTemplateTeardown) w.OnPrintTemplateTeardown(&w, a.Disp(0)); }},
    {3, [](TEWB& w, TEventArgs& a) { if (w.OnUpdatePageStatus) w.OnUpdatePageStatus(&w, a.Disp(0), a.Var(1), a.Var(2)); }},
    {1, [](TEWB& w, TEventArgs& a) { if (w.OnPrivacyImpactedStateChange) w.OnPrivacyImpactedStateChange(&w, a.Bool(0)); }},
    {5, [](TEWB& w, TEventArgs& a) {
         if (w.OnNewWindow3)
             w.OnNewWindow3(&w, a.DispRef(0), a.BoolRef(1), static_cast<uint32_t>(a.Int(2)), a.Text(3), a.Text(4));
     }},
};

// The standard value of an omitted optional argument.
VARIANT ParamNotFound() {
    VARIANT v = {};
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

}  // namespace

// The version the control's description records.
constexpr unsigned kControlVersion = 401;

const TControlData ControlDescription = {
    CLSID_EWBWebBrowser, DIID_EWBWebBrowserEvents2, kEventCount, kEventDispIDs, 0, kControlVersion,
};

TEWB::TEWB(TComponent* owner) : TOleControl(owner, ewb::ControlDescription) {}

TEWB::~TEWB() = default;

void TEWB::InvokeEvent(int position, DISPPARAMS& params) {
    if (position < 0 || position >= static_cast<int>(kEventCount)) return;
    const TEventInvoker& row = kInvokers[position];
    TEventArgs args(params);
    if (!args.Has(row.ArgCount)) return;
    row.Invoke(*this, args);
}

void TEWB::ControlDestroying() { intf_.Reset(); }

IWebBrowser2* TEWB::BrowserInterface() {
    if (!intf_) {
        IDispatch* dispatch = DefaultDispatch();
        ComPtr<IWebBrowser2> browser;
        if (!dispatch || FAILED(dispatch->QueryInterface(IID_EWBWebBrowser2, reinterpret_cast<void**>(browser.GetAddressOf()))) ||
            !browser)
            throw EIntfCastError();
        intf_ = browser;
    }
    return intf_.Get();
}

void TEWB::Navigate(const std::wstring& URL) {
    IWebBrowser2* browser = BrowserInterface();
    TBStr url(URL);
    VARIANT flags = ParamNotFound(), target = ParamNotFound(), headers = ParamNotFound();
    // No data to post: an empty argument of this call's own.
    TVariant postData;
    OleCheckObject(browser->Navigate(url.Get(), &flags, &target, postData.Ptr(), &headers), browser,
                   IID_EWBWebBrowser2);
}

void TEWB::Navigate2(VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers) {
    IWebBrowser2* browser = BrowserInterface();
    OleCheckObject(browser->Navigate2(&URL, &Flags, &TargetFrameName, &PostData, &Headers), browser,
                   IID_EWBWebBrowser2);
}

void TEWB::ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT& pvaIn) {
    IWebBrowser2* browser = BrowserInterface();
    // The caller gets no output: what a command writes is let go here.
    TVariant output;
    OleCheckObject(browser->ExecWB(cmdID, cmdexecopt, &pvaIn, output.Ptr()), browser, IID_EWBWebBrowser2);
}

WordBool TEWB::Visible() { return GetWordBoolProp(DispidVisible) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetVisible(WordBool value) { SetWordBoolProp(DispidVisible, value != VARIANT_FALSE); }
WordBool TEWB::StatusBar() { return GetWordBoolProp(DispidStatusBar) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetStatusBar(WordBool value) { SetWordBoolProp(DispidStatusBar, value != VARIANT_FALSE); }
std::wstring TEWB::StatusText() { return GetWideStringProp(DispidStatusText); }
void TEWB::SetStatusText(const std::wstring& value) { SetWideStringProp(DispidStatusText, value); }
int32_t TEWB::ToolBar() { return GetIntegerProp(DispidToolBar); }
void TEWB::SetToolBar(int32_t value) { SetIntegerProp(DispidToolBar, value); }
WordBool TEWB::MenuBar() { return GetWordBoolProp(DispidMenuBar) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetMenuBar(WordBool value) { SetWordBoolProp(DispidMenuBar, value != VARIANT_FALSE); }
WordBool TEWB::FullScreen() { return GetWordBoolProp(DispidFullScreen) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetFullScreen(WordBool value) { SetWordBoolProp(DispidFullScreen, value != VARIANT_FALSE); }
WordBool TEWB::Offline() { return GetWordBoolProp(DispidOffline) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetOffline(WordBool value) { SetWordBoolProp(DispidOffline, value != VARIANT_FALSE); }
WordBool TEWB::Silent() { return GetWordBoolProp(DispidSilent) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetSilent(WordBool value) { SetWordBoolProp(DispidSilent, value != VARIANT_FALSE); }
WordBool TEWB::RegisterAsBrowser() { return GetWordBoolProp(DispidRegisterAsBrowser) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetRegisterAsBrowser(WordBool value) { SetWordBoolProp(DispidRegisterAsBrowser, value != VARIANT_FALSE); }
WordBool TEWB::RegisterAsDropTarget() {
    return GetWordBoolProp(DispidRegisterAsDropTarget) ? VARIANT_TRUE : VARIANT_FALSE;
}
void TEWB::SetRegisterAsDropTarget(WordBool value) {
    SetWordBoolProp(DispidRegisterAsDropTarget, value != VARIANT_FALSE);
}
WordBool TEWB::TheaterMode() { return GetWordBoolProp(DispidTheaterMode) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetTheaterMode(WordBool value) { SetWordBoolProp(DispidTheaterMode, value != VARIANT_FALSE); }
WordBool TEWB::AddressBar() { return GetWordBoolProp(DispidAddressBar) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetAddressBar(WordBool value) { SetWordBoolProp(DispidAddressBar, value != VARIANT_FALSE); }
WordBool TEWB::Resizable() { return GetWordBoolProp(DispidResizable) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetResizable(WordBool value) { SetWordBoolProp(DispidResizable, value != VARIANT_FALSE); }

}  // namespace ewb
