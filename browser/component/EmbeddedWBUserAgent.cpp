// The user agent in its three modes, and the proxy of the default
// connection.
#include "browser/component/EmbeddedWB.h"

namespace ewb {

void TEmbeddedWB::SetUserAgent(const std::string& Value) {
    // Only stores the value: the user agent is not applied yet.
    userAgent_ = Value;
}

void TEmbeddedWB::SetUserAgentMode(TUserAgentMode Value) {
    // Only stores the value: the mode is not applied yet.
    userAgentMode_ = Value;
}

void TEmbeddedWB::UpdateUserAgent() {
    // Does nothing yet.
}

HRESULT TEmbeddedWB::ProvideUserAgent(std::wstring& Text) {
    // Declines for now, so that the control uses its own user agent.
    Text.clear();
    return S_FALSE;
}

void TEmbeddedWB::ApplyInternalUserAgent() {
    // Does nothing yet.
}

void TEmbeddedWB::ApplyRegistryUserAgent() {
    // Does nothing yet.
}

void TEmbeddedWB::RemoveRegistryUserAgent() {
    // Does nothing yet: nothing is written to the registry.
}

void TEmbeddedWB::ApplyProxySettings() {
    // Does nothing yet: no proxy is applied.
}

bool TProxySettings::SetProxy(const std::string&, const std::string&) {
    // Does nothing yet; nothing was applied.
    return false;
}

bool TProxySettings::SetProxyWithCredentials(const std::string&, const std::string&, const std::string&,
                                             const std::string&, int32_t) {
    // Does nothing yet; nothing was applied.
    return false;
}

bool SetInternetProxy(const std::string&, const std::string&) {
    // Does nothing yet; nothing was applied.
    return false;
}

bool SetInternetProxyWithCredentials(const std::string&, const std::string&, const std::string&, const std::string&,
                                     int32_t) {
    // Does nothing yet; nothing was applied.
    return false;
}

bool ResetProxy() {
    // Does nothing yet; nothing to reset.
    return false;
}

}  // namespace ewb
