// The engine's own context menu, shown by the host so that a filter can
// edit it first.
#include "browser/host/EwbCore.h"

#include "browser/support/EwbLateBound.h"

namespace ewb {

namespace {

// Destroys the loaded menu on every way out.
class TMenuOwner {
public:
    explicit TMenuOwner(HMENU menu) : menu_(menu) {}
    ~TMenuOwner() {
        if (menu_) DestroyMenu(menu_);
    }
    TMenuOwner(const TMenuOwner&) = delete;
    TMenuOwner& operator=(const TMenuOwner&) = delete;
    HMENU Get() const { return menu_; }

private:
    HMENU menu_;
};

}  // namespace

// The encoding item (IDM_LANGUAGE) keeps the submenu the resource gives it:
// the engine offers no documented way to hand out its encoding menu.
bool ShowCustomContextMenu(TCustomEmbeddedWB* host, uint32_t dwID, IUnknown* commandTarget,
                           const TMenuPreprocess& filter, VARIANT&, const POINT* ppt, IDispatch* context) {
    HMODULE library = LoadShdoclcLibrary();
    if (!library || !commandTarget) return false;
    ui::ComPtr<IOleCommandTarget> target;
    ui::ComPtr<IOleWindow> oleWindow;
    if (FAILED(commandTarget->QueryInterface(IID_PPV_ARGS(&target))) ||
        FAILED(commandTarget->QueryInterface(IID_PPV_ARGS(&oleWindow))))
        return false;
    HWND window = nullptr;
    if (FAILED(oleWindow->GetWindow(&window))) return false;
    TMenuOwner menu(LoadMenuA(library, MAKEINTRESOURCEA(IDR_BROWSE_CONTEXT_MENU)));
    if (!menu.Get()) return false;

    HMENU popup = GetSubMenu(menu.Get(), static_cast<int>(dwID));
    if (filter) filter(host, dwID, popup, context);
    const POINT at = ppt ? *ppt : POINT{0, 0};
    UINT command = static_cast<UINT>(TrackPopupMenuEx(
        popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_HORPOSANIMATION | TPM_VERPOSANIMATION, at.x, at.y, window,
        nullptr));
    if (command != 0) SendMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return true;
}

}  // namespace ewb
