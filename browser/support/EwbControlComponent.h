// TEwbControl: the browser support object of the process. It carries the
// mouse-wheel routing and focus control options and the process's internet
// feature switches; the browser component's module makes one at start-up.
#pragma once

#include <windows.h>

#include <memory>

#include "browser/support/EwbMouseHook.h"
#include "framework/Classes.h"
#include "framework/Sets.h"

namespace ewb {

// Ordinal = the platform's feature number; EntryCount is the platform's
// count of features.
enum TInternetFeatureList {
    ObjectCaching, ZoneElevation, MimeHandling, MimeSniffing, WindowRestrictions, WebocPopupManagement,
    Behaviors, DisableMkProtocol, LocalMachineLockDown, Securityband, RestrictActivexInstall,
    ValidateNavigateUrl, RestrictFileDownload, AddonManagement, ProtocolLockdown, HttpUsernamePasswordDisable,
    SafeBindToObject, UncSavedFileCheck, GetUrlDomFilePathUnencoded, TabbedBrowsing, Sslux,
    DisableNavigationSounds, DisableLegacyCompression, ForceAddrAndStatus, XmlHttp, DisableTelnetProtocol,
    Feeds, BlockInputPrompts, EntryCount,
};
constexpr int kInternetFeatureCount = EntryCount + 1;
using TInternetFeatures = ui::TSet<TInternetFeatureList, kInternetFeatureCount>;

class TEwbControl;

// Mouse-wheel routing options. Active True holds the shared hook and
// installs it; False removes it and lets go of it.
class TMouseWheelFix : public ui::TPersistent {
public:
    ~TMouseWheelFix() override;
    const char* ClassName() const override { return "TMouseWheelFix"; }

    bool Active() const { return active_; }
    void SetActive(bool active);
    bool ActiveFormOnly() const { return activeFormOnly_; }
    void SetActiveFormOnly(bool activeFormOnly);

    TEWBMouseHook* HookObject = nullptr;
    bool Designing = false;
    TMouseWheelEvent WheelHandler;  // handed to the hook when it is installed

private:
    friend class TEwbControl;
    bool active_ = false;
    bool activeFormOnly_ = false;
};

// Focus control options: Active switches the process's focus control.
class TFocusControl : public ui::TPersistent {
public:
    const char* ClassName() const override { return "TFocusControl"; }

    bool Active() const { return active_; }
    void SetActive(bool active);

    bool Designing = false;

private:
    friend class TEwbControl;
    bool active_ = false;
};

class TEwbControl : public ui::TComponent {
public:
    // Both options read Active = True, their stored default, yet nothing is
    // switched on until Active is assigned through its setter.
    explicit TEwbControl(ui::TComponent* owner);
    ~TEwbControl() override;
    const char* ClassName() const override { return "TEwbControl"; }

    TMouseWheelFix* MouseWheelFix() const { return mouseWheelFix_.get(); }
    TFocusControl* FocusControl() const { return focusControl_.get(); }
    TMouseWheelEvent OnMouseWheel;
    bool Designing = false;

    TInternetFeatures InternetFeatures() const { return internetFeatures_; }
    // Stores the set and pushes it to the process.
    void SetInternetFeatures(TInternetFeatures features);
    // An empty set switches nothing; any other sets all 29 switches of the
    // process, members on and the rest off.
    void ApplyInternetFeatures();
    // The process's switches that are on.
    void ReadInternetFeatures();

protected:
    void Loaded() override;

private:
    std::unique_ptr<TMouseWheelFix> mouseWheelFix_;
    std::unique_ptr<TFocusControl> focusControl_;
    TInternetFeatures internetFeatures_;
};

}  // namespace ewb
