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

// DWebBrowserEvents2 DISPIDs in handler order (not DISPID order).
const DISPID kEventDispIDs[34] = {
    102, 108, 105, 106, 104, 113, 112, 250, 251, 252, 259, 253, 254, 255, 256, 257, 258,
    260, 261, 262, 264, 265, 266, 267, 263, 268, 269, 270, 271, 225, 226, 227, 272, 273,
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
        VARIANT v;
        VariantInit(&v);
        std::wstring text;
        if (SUCCEEDED(VariantChangeType(&v, &Var(i), 0, VT_BSTR)) && v.bstrVal)
            text.assign(v.bstrVal, SysStringLen(v.bstrVal));
        VariantClear(&v);
        return text;
    }
    int32_t Int(unsigned i) {
        VARIANT v;
        VariantInit(&v);
        int32_t value = 0;
        if (SUCCEEDED(VariantChangeType(&v, &Var(i), 0, VT_I4))) value = v.lVal;
        VariantClear(&v);
        return value;
    }
    WordBool Bool(unsigned i) {
        VARIANT v;
        VariantInit(&v);
        WordBool value = VARIANT_FALSE;
        if (SUCCEEDED(VariantChangeType(&v, &Var(i), 0, VT_BOOL))) value = v.boolVal;
        VariantClear(&v);
        return value;
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
const TEventInvoker kInvokers[34] = {
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
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

}  // namespace

const TControlData ControlDescription = {
    CLSID_EWBWebBrowser, DIID_EWBWebBrowserEvents2, 34, kEventDispIDs, 0, 401,
};

VARIANT SharedEmptyArgument = {};

void SHDocVw_EWBStartUp() { VariantInit(&SharedEmptyArgument); }

void SHDocVw_EWBShutDown() { VariantClear(&SharedEmptyArgument); }

TEWB::TEWB(TComponent* owner) : TOleControl(owner, ewb::ControlDescription) {}

TEWB::~TEWB() = default;

void TEWB::InvokeEvent(int position, DISPPARAMS& params) {
    if (position < 0 || position >= 34) return;
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
    BSTR url = SysAllocStringLen(URL.data(), static_cast<UINT>(URL.size()));
    VARIANT flags = ParamNotFound(), target = ParamNotFound(), headers = ParamNotFound();
    HRESULT hr = browser->Navigate(url, &flags, &target, &SharedEmptyArgument, &headers);
    SysFreeString(url);
    OleCheckObject(hr, browser, IID_EWBWebBrowser2);
}

void TEWB::Navigate2(VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers) {
    IWebBrowser2* browser = BrowserInterface();
    OleCheckObject(browser->Navigate2(&URL, &Flags, &TargetFrameName, &PostData, &Headers), browser,
                   IID_EWBWebBrowser2);
}

void TEWB::ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT& pvaIn) {
    IWebBrowser2* browser = BrowserInterface();
    // An output of its own: a command that writes one must not leave it in
    // the empty argument that Navigate posts.
    VARIANT output;
    VariantInit(&output);
    HRESULT hr = browser->ExecWB(cmdID, cmdexecopt, &pvaIn, &output);
    VariantClear(&output);
    OleCheckObject(hr, browser, IID_EWBWebBrowser2);
}

WordBool TEWB::Visible() { return GetWordBoolProp(402) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetVisible(WordBool value) { SetWordBoolProp(402, value != VARIANT_FALSE); }
WordBool TEWB::StatusBar() { return GetWordBoolProp(403) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetStatusBar(WordBool value) { SetWordBoolProp(403, value != VARIANT_FALSE); }
std::wstring TEWB::StatusText() { return GetWideStringProp(404); }
void TEWB::SetStatusText(const std::wstring& value) { SetWideStringProp(404, value); }
int32_t TEWB::ToolBar() { return GetIntegerProp(405); }
void TEWB::SetToolBar(int32_t value) { SetIntegerProp(405, value); }
WordBool TEWB::MenuBar() { return GetWordBoolProp(406) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetMenuBar(WordBool value) { SetWordBoolProp(406, value != VARIANT_FALSE); }
WordBool TEWB::FullScreen() { return GetWordBoolProp(407) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetFullScreen(WordBool value) { SetWordBoolProp(407, value != VARIANT_FALSE); }
WordBool TEWB::Offline() { return GetWordBoolProp(550) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetOffline(WordBool value) { SetWordBoolProp(550, value != VARIANT_FALSE); }
WordBool TEWB::Silent() { return GetWordBoolProp(551) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetSilent(WordBool value) { SetWordBoolProp(551, value != VARIANT_FALSE); }
WordBool TEWB::RegisterAsBrowser() { return GetWordBoolProp(552) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetRegisterAsBrowser(WordBool value) { SetWordBoolProp(552, value != VARIANT_FALSE); }
WordBool TEWB::RegisterAsDropTarget() { return GetWordBoolProp(553) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetRegisterAsDropTarget(WordBool value) { SetWordBoolProp(553, value != VARIANT_FALSE); }
WordBool TEWB::TheaterMode() { return GetWordBoolProp(554) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetTheaterMode(WordBool value) { SetWordBoolProp(554, value != VARIANT_FALSE); }
WordBool TEWB::AddressBar() { return GetWordBoolProp(555) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetAddressBar(WordBool value) { SetWordBoolProp(555, value != VARIANT_FALSE); }
WordBool TEWB::Resizable() { return GetWordBoolProp(556) ? VARIANT_TRUE : VARIANT_FALSE; }
void TEWB::SetResizable(WordBool value) { SetWordBoolProp(556, value != VARIANT_FALSE); }

}  // namespace ewb
