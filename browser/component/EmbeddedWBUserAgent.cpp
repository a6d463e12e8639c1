// The user agent in its three modes, and the proxy settings applied to
// the default connection.
#include <ocidl.h>

#include "browser/component/EmbeddedWB.h"

namespace ewb {

using namespace ui;

namespace {

const wchar_t kUserAgentKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent";
// Relative to the User Agent key.
const wchar_t kPostPlatformKey[] = L"Post Platform";
const char kRegistryUserAgentPrefix[] = "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(";
}  // namespace

void TEmbeddedWB::SetUserAgent(const std::string& Value) {
    if (Value == userAgent_) return;
    userAgent_ = Value;
    UpdateUserAgent();
}

void TEmbeddedWB::SetUserAgentMode(TUserAgentMode Value) {
    if (Value == userAgentMode_) return;
    userAgentMode_ = Value;
    UpdateUserAgent();
}

void TEmbeddedWB::UpdateUserAgent() {
    switch (userAgentMode_) {
    case uaDefault:
        RemoveRegistryUserAgent();
        break;
    case uaInternal:
        ApplyInternalUserAgent();
        break;
    case uaRegistry:
        ApplyRegistryUserAgent();
        break;
    }
}

HRESULT TEmbeddedWB::ProvideUserAgent(std::wstring& Text) {
    Text.clear();
    if (userAgentMode_ != uaInternal || userAgent_.empty()) return S_FALSE;
    Text = AnsiToWide(userAgent_);
    return S_OK;
}

void TEmbeddedWB::ApplyInternalUserAgent() {
    if (userAgent_ == AppliedInternalUserAgent) return;
    RemoveRegistryUserAgent();
    ComPtr<IOleControl> control;
    try {
        if (FAILED(BrowserInterface()->QueryInterface(IID_PPV_ARGS(&control)))) return;
    } catch (const EIntfCastError&) {
        return;  // no control yet: the next change tries again
    }
    if (!control) return;
    AppliedInternalUserAgent = userAgent_;
    // The control asks for the ambient user agent again.
    control->OnAmbientPropertyChange(DISPID_AMBIENT_USERAGENT);
}

void TEmbeddedWB::ApplyRegistryUserAgent() {
    if (userAgent_ == RegistryUserAgent) return;
    RemoveRegistryUserAgent();
    RegistryUserAgent = kRegistryUserAgentPrefix + userAgent_ + ")";
    std::wstring path = std::wstring(kUserAgentKey) + L"\\" + kPostPlatformKey;
    TRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS) {
        key.Release();
        return;
    }
    const wchar_t empty[] = L"";
    if (RegSetValueExW(key.Get(), AnsiToWide(RegistryUserAgent).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(empty), sizeof empty) == ERROR_SUCCESS)
        RegistryUserAgentWritten = true;
}

void TEmbeddedWB::RemoveRegistryUserAgent() {
    if (RegistryUserAgent.empty() || !RegistryUserAgentWritten) return;
    TRegKey userAgentKey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUserAgentKey, 0, KEY_READ, userAgentKey.Receive()) != ERROR_SUCCESS) {
        userAgentKey.Release();
        return;
    }
    // Only the component's own value: the key's others belong to the user.
    TRegKey postPlatform;
    if (RegOpenKeyExW(userAgentKey.Get(), kPostPlatformKey, 0, KEY_SET_VALUE, postPlatform.Receive()) ==
        ERROR_SUCCESS)
        RegDeleteValueW(postPlatform.Get(), AnsiToWide(RegistryUserAgent).c_str());
    else
        postPlatform.Release();
    RegistryUserAgentWritten = false;
    RegistryUserAgent.clear();
}

void TEmbeddedWB::ApplyProxySettings() {
    TProxySettings& proxy = ProxySettings();
    // WinINet is handed the proxy's own agent text, not the component's.
    if (proxy.UserName.empty())
        proxy.SetProxy(proxy.UserAgent, proxy.Address + ":" + std::to_string(proxy.Port));
    else
        proxy.SetProxyWithCredentials(proxy.UserAgent, proxy.Address, proxy.UserName, proxy.Password, proxy.Port);
}

bool TProxySettings::SetProxy(const std::string& Agent, const std::string& Proxy) {
    ProxyApplied = SetInternetProxy(Agent, Proxy);
    return ProxyApplied;
}

bool TProxySettings::SetProxyWithCredentials(const std::string& Agent, const std::string& Address,
                                             const std::string& UserName, const std::string& Password,
                                             int32_t Port) {
    ProxyApplied = SetInternetProxyWithCredentials(Agent, Address, UserName, Password, Port);
    return ProxyApplied;
}

}  // namespace ewb
