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

// The site objects the control talks to. While the component lives their
// reference counts are counters only: the component's owner decides when it
// goes. When it goes they are detached and live on until their last release.
class TOleControl;

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

    // The client site as the control sees it.
    IOleClientSite* ClientSite();

    bool PreProcessMessage(MSG& msg) override;

protected:
    // A derived class answers interfaces on the site before the container
    // does; answer S_OK with an AddRef'ed pointer, or E_NOINTERFACE.
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
    void DestroyControl();

    // The site's single identity: every site view answers IUnknown with it.
    IUnknown* SiteUnknown();
    // The window of the control while it is active in place, or null.
    HWND ControlWindow() const;

private:
    class TSite;
    class TEventSink;
    friend class TSite;
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
    // Owned until the container goes, then detached: their last release
    // frees them.
    struct TDetach {
        template <typename T>
        void operator()(T* object) const;
    };
    std::unique_ptr<TSite, TDetach> site_;
    std::unique_ptr<TEventSink, TDetach> sink_;
};

// Raises the error a failed IDispatch::Invoke stands for: the exception
// information's code and text for DISP_E_EXCEPTION, else the code. Frees
// the information's strings.
[[noreturn]] void RaiseDispatchError(HRESULT hr, EXCEPINFO& excep);

// Raises EOleSysError for a failure code of a call on `object` through
// `iid`, with the object's error description when it gives one.
void OleCheckObject(HRESULT hr, IUnknown* object, REFIID iid);

}  // namespace ui
