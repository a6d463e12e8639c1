#include "browser/support/EwbControlComponent.h"

#include <urlmon.h>

#include "browser/support/EwbFocusControl.h"
#include "browser/support/EwbLateBound.h"

namespace ewb {

namespace {

struct TFeatureRow {
    TInternetFeatureList Value;
    INTERNETFEATURELIST Feature;
};

constexpr TFeatureRow kFeatures[] = {
    {ObjectCaching, FEATURE_OBJECT_CACHING},
    {ZoneElevation, FEATURE_ZONE_ELEVATION},
    {MimeHandling, FEATURE_MIME_HANDLING},
    {MimeSniffing, FEATURE_MIME_SNIFFING},
    {WindowRestrictions, FEATURE_WINDOW_RESTRICTIONS},
    {WebocPopupManagement, FEATURE_WEBOC_POPUPMANAGEMENT},
    {Behaviors, FEATURE_BEHAVIORS},
    {DisableMkProtocol, FEATURE_DISABLE_MK_PROTOCOL},
    {LocalMachineLockDown, FEATURE_LOCALMACHINE_LOCKDOWN},
    {Securityband, FEATURE_SECURITYBAND},
    {RestrictActivexInstall, FEATURE_RESTRICT_ACTIVEXINSTALL},
    {ValidateNavigateUrl, FEATURE_VALIDATE_NAVIGATE_URL},
    {RestrictFileDownload, FEATURE_RESTRICT_FILEDOWNLOAD},
    {AddonManagement, FEATURE_ADDON_MANAGEMENT},
    {ProtocolLockdown, FEATURE_PROTOCOL_LOCKDOWN},
    {HttpUsernamePasswordDisable, FEATURE_HTTP_USERNAME_PASSWORD_DISABLE},
    {SafeBindToObject, FEATURE_SAFE_BINDTOOBJECT},
    {UncSavedFileCheck, FEATURE_UNC_SAVEDFILECHECK},
    {GetUrlDomFilePathUnencoded, FEATURE_GET_URL_DOM_FILEPATH_UNENCODED},
    {TabbedBrowsing, FEATURE_TABBED_BROWSING},
    {Sslux, FEATURE_SSLUX},
    {DisableNavigationSounds, FEATURE_DISABLE_NAVIGATION_SOUNDS},
    {DisableLegacyCompression, FEATURE_DISABLE_LEGACY_COMPRESSION},
    {ForceAddrAndStatus, FEATURE_FORCE_ADDR_AND_STATUS},
    {XmlHttp, FEATURE_XMLHTTP},
    {DisableTelnetProtocol, FEATURE_DISABLE_TELNET_PROTOCOL},
    {Feeds, FEATURE_FEEDS},
    {BlockInputPrompts, FEATURE_BLOCK_INPUT_PROMPTS},
    {EntryCount, FEATURE_ENTRY_COUNT},
};

constexpr bool FeatureTableInOrder() {
    for (int i = 0; i < kInternetFeatureCount; ++i)
        if (kFeatures[i].Value != i || kFeatures[i].Feature != i) return false;
    return true;
}
static_assert(sizeof kFeatures / sizeof kFeatures[0] == kInternetFeatureCount, "one row per feature");
static_assert(FeatureTableInOrder(), "rows in ordinal order, each the platform's feature of that number");

}  // namespace

// ---- TMouseWheelFix ----

TMouseWheelFix::~TMouseWheelFix() {
    if (HookObject) {
        HookObject->RemoveHook();
        TEWBMouseHook::Release(HookObject);
    }
}

void TMouseWheelFix::SetActive(bool active) {
    active_ = active;
    if (Designing) return;
    if (active) {
        if (HookObject) return;
        HookObject = TEWBMouseHook::Obtain();
        HookObject->WheelHandler = WheelHandler;
        HookObject->ActiveFormOnly = activeFormOnly_;
        HookObject->InstallHook();
    } else if (HookObject) {
        HookObject->RemoveHook();
        TEWBMouseHook::Release(HookObject);
        HookObject = nullptr;
    }
}

void TMouseWheelFix::SetActiveFormOnly(bool activeFormOnly) {
    activeFormOnly_ = activeFormOnly;
    if (HookObject) HookObject->ActiveFormOnly = activeFormOnly;
}

// ---- TFocusControl ----

void TFocusControl::SetActive(bool active) {
    active_ = active;
    if (!Designing) TEWBFocusControl::SetFocusControlActive(active);
}

// ---- TEwbControl ----

TEwbControl::TEwbControl(ui::TComponent* owner)
    : ui::TComponent(owner), mouseWheelFix_(std::make_unique<TMouseWheelFix>()), focusControl_(std::make_unique<TFocusControl>()) {
    // A component on a form being designed is being designed too.
    Designing = IsDesigning() || (owner && owner->IsDesigning());
    // The fields, not the setters: nothing is installed here.
    mouseWheelFix_->Designing = Designing;
    mouseWheelFix_->active_ = true;
    focusControl_->Designing = Designing;
    focusControl_->active_ = true;
    if (Designing) ReadInternetFeatures();
}

TEwbControl::~TEwbControl() {
    if (!Designing) {
        mouseWheelFix_->SetActive(false);
        focusControl_->SetActive(false);
    }
}

void TEwbControl::Loaded() {
    ui::TComponent::Loaded();
    mouseWheelFix_->WheelHandler = OnMouseWheel;
}

void TEwbControl::SetInternetFeatures(TInternetFeatures features) {
    internetFeatures_ = features;
    ApplyInternetFeatures();
}

void TEwbControl::ApplyInternetFeatures() {
    if (internetFeatures_.Empty()) return;
    for (const TFeatureRow& row : kFeatures)
        SetInternetFeatureEnabled(row.Feature, SET_FEATURE_ON_PROCESS, internetFeatures_.Contains(row.Value));
}

void TEwbControl::ReadInternetFeatures() {
    TInternetFeatures features;
    for (const TFeatureRow& row : kFeatures)
        if (IsInternetFeatureEnabled(row.Feature, GET_FEATURE_FROM_PROCESS) == S_OK) features.Include(row.Value);
    internetFeatures_ = features;
}

}  // namespace ewb
