// The ActiveX control container: creates a control from its class id,
// hands it its saved state, site-hosts it, activates it in place as the
// component's window, sinks its events and reads and writes its properties
// by DISPID.
#pragma once

#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Controls.h"
#include "Owners.h"

namespace ui {

using Microsoft::WRL::ComPtr;

// What the container needs to know of a control class.
struct TControlData {
    CLSID ClassID;
    IID EventIID;
    unsigned EventCount;
    const DISPID* EventDispIDs;  // EventCount entries, in handler order
    unsigned Flags;
    unsigned Version;
};

class TOleControl;

// IOleInPlaceFrame with its EnableModeless under a name of its own, so that a
// site that also carries another interface with a method of that signature
// (the document host's UI handler) answers each one apart.
class TOleInPlaceFrame : public IOleInPlaceFrame {
public:
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) final { return FrameEnableModeless(enable); }

protected:
    virtual HRESULT FrameEnableModeless(BOOL) { return S_OK; }
};

// The site the control talks to: a heap COM object with one count and one
// identity, carrying the container's interfaces. The container holds one
// reference, so the control's releases never free it while the container
// lives; when the container goes it detaches the site, and what the control
// still calls is answered without it until the last release, through the
// same interfaces. A derived site carries more interfaces (FindInterface)
// and answers more ambients.
class TOleControlSite : public IOleClientSite,
                        public IOleInPlaceSite,
                        public TOleInPlaceFrame,
                        public IOleControlSite,
                        public IDispatch {
public:
    explicit TOleControlSite(TOleControl* container);
    TOleControlSite(const TOleControlSite&) = delete;
    TOleControlSite& operator=(const TOleControlSite&) = delete;

    IUnknown* Identity() { return static_cast<IOleClientSite*>(this); }
    // The container goes: the link is cut and its reference let go.
    void Detach();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (the in-place site's and the frame's)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect,
                                               LPRECT clipRect, LPOLEINPLACEFRAMEINFO frameInfo) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, no menus.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** disp) override;
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the container's ambient properties, without type
    // information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

protected:
    // Held for the length of a call out to the application's code: a handler
    // may destroy the component, and with it the container's references to
    // this site and to the control, while both are inside their call. After
    // the handler the component is read again only if it still lives (the
    // link to it is cut when it goes).
    class TKeepAlive {
    public:
        explicit TKeepAlive(TOleControlSite* site);

    private:
        ComPtr<IUnknown> site_;
        ComPtr<IOleObject> control_;
    };

    virtual ~TOleControlSite();
    // The interface of `iid` this site carries (without a reference), or
    // null: a derived site searches its own table, then this one's, which
    // holds only IUnknown. The answer never depends on whether the
    // container is still there: what the control found once it finds again.
    virtual void* FindInterface(REFIID iid);
    // The container is about to go: a derived site cuts its own links.
    virtual void Detaching() {}
    // The container's ambient answer (DISP_E_MEMBERNOTFOUND without one);
    // raises what the container raises.
    HRESULT ContainerAmbient(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result);

private:
    // The container's own interfaces, searched after a derived component's.
    void* ContainerInterface(REFIID iid);
    // A derived component's view of `iid`, taken with the reference it is
    // answered with; false for none, and for a view that would not answer
    // with this site's identity.
    bool TakeHostInterface(REFIID iid, void** object);

    TOleControl* container_;
    LONG refs_ = 1;  // the container's
};

class TOleControl : public TWinControl {
public:
    TOleControl(TComponent* owner, const TControlData& controlData);
    ~TOleControl() override;
    const char* ClassName() const override { return "TOleControl"; }

    const TControlData& ControlDescription() const { return *controlData_; }

    // The stored state of the control, in its own persistence format. Set
    // before the control is created, it is what the control loads; set
    // afterwards, the control is made anew so that it loads it. While a
    // definition is read the control is not made: it is made once, with
    // the stored state, when the definition has been read (or when
    // something needs it first), and the property values the definition
    // wrote meanwhile are handed to it then, in order. A control that
    // refuses its stored state is initialised new instead.
    const std::vector<uint8_t>& ControlData() const { return controlDataBytes_; }
    void SetControlData(const std::vector<uint8_t>& bytes);
    // Asks the live control to save its state and answers the bytes.
    std::vector<uint8_t> SaveControlData();

    // The control's automation object; creating and loading the control
    // first when it is not yet.
    IDispatch* DefaultDispatch();
    IOleObject* OleObject() const { return oleObject_.Get(); }
    bool ControlCreated() const { return created_; }

    // Property get and put by DISPID; a failure raises EOleSysError with
    // the control's code and description.
    TVariant GetProperty(DISPID dispid);
    void SetProperty(DISPID dispid, const VARIANT& value);
    bool GetWordBoolProp(DISPID dispid);
    int32_t GetIntegerProp(DISPID dispid);
    std::wstring GetWideStringProp(DISPID dispid);
    ComPtr<IDispatch> GetIDispatchProp(DISPID dispid);
    void SetWordBoolProp(DISPID dispid, bool value);
    void SetIntegerProp(DISPID dispid, int32_t value);
    void SetWideStringProp(DISPID dispid, const std::wstring& value);

    // The client site as the control sees it; null once the component has
    // let it go.
    IOleClientSite* ClientSite();

    bool PreProcessMessage(MSG& msg) override;

protected:
    // A derived class answers interfaces on the site before the container
    // does; answer S_OK with an AddRef'ed pointer, or E_NOINTERFACE. The
    // view must answer IUnknown with the site's identity (SiteUnknown), or
    // it is not handed out.
    virtual HRESULT QueryHostInterface(REFIID iid, void** object);
    // Calls the handler in `position` (the place of the event's DISPID in
    // the description) with the event's arguments.
    virtual void InvokeEvent(int position, DISPPARAMS& params);
    // The live control is about to be let go: drop what was taken from it.
    virtual void ControlDestroying();
    // The definition has been read: the control is made now if nothing
    // made it before.
    void Loaded() override;

    // The container's ambient answers (property gets with a result only).
    HRESULT AmbientInvoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result);

    // Window creation and destruction of the component: activating the
    // control in place and taking its window, and giving it back.
    virtual void AcquireWindow();
    virtual void ReleaseWindow();
    void CreateWnd() override;
    void DestroyWnd() override;
    void ApplyBounds() override;

    void CreateControl();
    // Never throws: it is part of every teardown.
    void DestroyControl() noexcept;

    // The site's single identity: every site view answers IUnknown with it.
    IUnknown* SiteUnknown();
    // The site, made on first use by CreateSite; null once detached.
    TOleControlSite* Site();
    virtual TOleControlSite* CreateSite();
    // Cuts the site's link to this component for good (the destructors'
    // step, once nothing of the component may be called any more).
    void DetachSite();
    // The window of the control while it is active in place, or null.
    HWND ControlWindow() const;

private:
    class TEventSink;
    friend class TOleControlSite;
    friend class TEventSink;

    void CreateInstance();
    void HandleEvent(DISPID dispid, DISPPARAMS& params);
    RECT BoundsRect() const;

    // Property values written while there is no control, in order.
    using TPendingProperties = std::vector<std::pair<DISPID, TVariant>>;

    const TControlData* controlData_;
    TPendingProperties pendingProperties_;
    std::vector<uint8_t> controlDataBytes_;
    ComPtr<IOleObject> oleObject_;
    ComPtr<IPersistStreamInit> persistStream_;
    ComPtr<IDispatch> controlDispatch_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    ComPtr<IOleInPlaceActiveObject> activeObject_;
    ComPtr<IConnectionPoint> eventPoint_;
    DWORD eventCookie_ = 0;
    bool created_ = false;
    // Owned until the container goes, then detached: its last release
    // frees it.
    struct TDetach {
        template <typename T>
        void operator()(T* object) const;
    };
    std::unique_ptr<TEventSink, TDetach> sink_;
    TOleControlSite* site_ = nullptr;  // one reference, the container's
    bool siteDetached_ = false;
};

// Raises the error a failed IDispatch::Invoke stands for: the exception
// information's code and text for DISP_E_EXCEPTION, else the code. Frees
// the information's strings.
[[noreturn]] void RaiseDispatchError(HRESULT hr, EXCEPINFO& excep);

// Raises EOleSysError for a failure code of a call on `object` through
// `iid`, with the object's error description when it gives one.
void OleCheckObject(HRESULT hr, IUnknown* object, REFIID iid);

}  // namespace ui
