#include "browser/component/EwbPlatform.h"

#include <float.h>
#include <urlmon.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbLateBound.h"
#include "framework/Owners.h"
#include "framework/SysUtils.h"

namespace ewb {

TWinInetEntries WinInet = {&InternetOpenA, &InternetConnectA, &InternetSetOptionA, &InternetCloseHandle};

namespace {
using TVerifyVersionInfoA = BOOL(WINAPI*)(OSVERSIONINFOEXA*, DWORD, DWORDLONG);
using TVerSetConditionMask = ULONGLONG(WINAPI*)(ULONGLONG, DWORD, BYTE);

using ui::TRegKey;

TRegKey OpenKey(HKEY parent, const std::wstring& path, REGSAM access) {
    TRegKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, access, key.Receive()) != ERROR_SUCCESS) key.Release();
    return key;
}

TRegKey CreateKey(HKEY parent, const std::wstring& path) {
    TRegKey key;
    if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS)
        key.Release();
    return key;
}

bool KeyExists(HKEY parent, const std::wstring& path) { return static_cast<bool>(OpenKey(parent, path, KEY_READ)); }

// The names of a key's subkeys, read before any of them is changed.
bool SubkeyNames(HKEY key, std::vector<std::wstring>& names) {
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(longest + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        names.emplace_back(name.data(), length);
    }
    return true;
}

// Copies every value and, recursively, every subkey of `source` into
// `target`.
bool CopyKeyContents(HKEY source, HKEY target) {
    DWORD valueCount = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(source, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(longestName + 1);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(source, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) !=
                ERROR_SUCCESS ||
            RegSetValueExW(target, name.data(), 0, type, data.data(), dataLength) != ERROR_SUCCESS)
            return false;
    }
    std::vector<std::wstring> subkeys;
    if (!SubkeyNames(source, subkeys)) return false;
    for (const std::wstring& subkey : subkeys) {
        TRegKey from = OpenKey(source, subkey, KEY_READ);
        TRegKey to = CreateKey(target, subkey);
        if (!from || !to || !CopyKeyContents(from.Get(), to.Get())) return false;
    }
    return true;
}

// Deletes a subkey with all of its own subkeys (RegDeleteKey takes only
// a key without subkeys on the NT line; RegDeleteTree is younger than XP).
bool DeleteKeyTree(HKEY parent, const std::wstring& name) {
    {
        TRegKey key = OpenKey(parent, name, KEY_ALL_ACCESS);
        if (!key) return false;
        std::vector<std::wstring> subkeys;
        if (!SubkeyNames(key.Get(), subkeys)) return false;
        for (const std::wstring& subkey : subkeys)
            if (!DeleteKeyTree(key.Get(), subkey)) return false;
    }
    return RegDeleteKeyW(parent, name.c_str()) == ERROR_SUCCESS;
}

constexpr wchar_t kNavigatingKey[] = L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\";
constexpr wchar_t kCurrentSound[] = L".Current";
constexpr wchar_t kParkedSound[] = L"Old_Current";

// The Navigating key itself, without the closing separator.
std::wstring NavigatingKeyPath() {
    std::wstring path = kNavigatingKey;
    path.pop_back();
    return path;
}

constexpr int kFirstEngineWithSoundFeature = 7;
}  // namespace

bool IsWinXPSP2OrLater() {
    // Both entry points are younger than the oldest systems the program
    // meets, so they are looked up rather than imported.
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    if (!kernel) return false;
    auto verify = reinterpret_cast<TVerifyVersionInfoA>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "VerifyVersionInfoA")));
    auto setMask = reinterpret_cast<TVerSetConditionMask>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "VerSetConditionMask")));
    bool result = false;
    if (verify && setMask) {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = sizeof info;  // 156
        info.dwMajorVersion = 5;
        info.dwMinorVersion = 1;
        info.wServicePackMajor = 2;
        info.wServicePackMinor = 0;
        ULONGLONG mask = 0;
        mask = setMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
        mask = setMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
        mask = setMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
        mask = setMask(mask, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
        result = verify(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR,
                        mask) != FALSE;
    }
    FreeLibrary(kernel);
    return result;
}

std::string GetIEVersion() {
    char directory[261] = {};
    if (!GetSystemDirectoryA(directory, sizeof directory)) directory[0] = '\0';
    std::string path = std::string(directory) + "\\ieframe.dll";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) path = std::string(directory) + "\\shdocvw.dll";

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (static_cast<int32_t>(size) <= 0) return std::string();
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::string();

    std::string subBlock = "FileVersion";
    void* translation = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &length) && translation &&
        length >= sizeof(DWORD)) {
        DWORD entry = *static_cast<const DWORD*>(translation);
        subBlock = "\\StringFileInfo\\" + ui::LowerHex(LOWORD(entry), 4) + ui::LowerHex(HIWORD(entry), 4) +
                   "\\FileVersion";
    }
    void* value = nullptr;
    if (!VerQueryValueA(block.data(), subBlock.c_str(), &value, &length) || !value) return std::string();
    // Zero-terminated within the block.
    const char* begin = static_cast<const char*>(value);
    const char* end = block.data() + block.size();
    const char* stop = begin;
    while (stop < end && *stop) ++stop;
    return std::string(begin, stop);
}

std::string MajorVersionOf(const std::string& version) {
    size_t dot = version.find('.');
    return dot == std::string::npos ? version : version.substr(0, dot);
}

std::string GetIEMajorVersion() { return MajorVersionOf(GetIEVersion()); }

void SwitchNavigationSound(const std::string& version, bool Disable) {
    int32_t major = 0;
    if (ui::TryStrToInt(MajorVersionOf(version), major) && major >= kFirstEngineWithSoundFeature)
        SetInternetFeatureEnabled(FEATURE_DISABLE_NAVIGATION_SOUNDS, SET_FEATURE_ON_PROCESS, Disable);
    else
        SetNavigationSoundKey(Disable);
}

void TEmbeddedWB::DisableNavigationSound(bool Disable) { SwitchNavigationSound(GetIEVersion(), Disable); }

bool MoveRegistryKey(HKEY parent, const std::wstring& from, const std::wstring& to) {
    if (!KeyExists(parent, from) || KeyExists(parent, to)) return false;
    bool copied = false;
    {
        TRegKey source = OpenKey(parent, from, KEY_READ);
        TRegKey target = CreateKey(parent, to);
        copied = source && target && CopyKeyContents(source.Get(), target.Get());
    }
    if (!copied) {
        // Half a copy is no move: the source stays, the target goes.
        DeleteKeyTree(parent, to);
        return false;
    }
    return DeleteKeyTree(parent, from);
}

void SetNavigationSoundKey(bool Disable) {
    const std::wstring navigating = kNavigatingKey;
    if (Disable) {
        if (!KeyExists(HKEY_CURRENT_USER, navigating + kCurrentSound)) return;
        TRegKey key = CreateKey(HKEY_CURRENT_USER, NavigatingKeyPath());
        if (key) MoveRegistryKey(key.Get(), kCurrentSound, kParkedSound);
    } else {
        if (!KeyExists(HKEY_CURRENT_USER, navigating + kParkedSound)) return;
        TRegKey key = OpenKey(HKEY_CURRENT_USER, NavigatingKeyPath(), KEY_ALL_ACCESS);
        if (key) MoveRegistryKey(key.Get(), kParkedSound, kCurrentSound);
    }
}

// ---- the floating-point control word ----
// GNU-only (inline assembly): the x87 word itself. The C runtime's
// _control87 shows it only through its own flag encoding.

uint16_t GetFpuControlWord() {
    uint16_t word = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void SetFpuControlWord(uint16_t word) { __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(word)); }

// ---- the proxy of the default connection ----

namespace {
constexpr char kLocalBypass[] = "<local>";

// The three per-connection options of the default (LAN) connection:
// direct or through the proxy server given, local addresses direct.
class TProxyOptions {
public:
    explicit TProxyOptions(const std::string& server) : server_(server), bypass_(kLocalBypass) {
        options_[0].dwOption = INTERNET_PER_CONN_FLAGS;
        options_[0].Value.dwValue = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
        options_[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
        options_[1].Value.pszValue = &server_[0];
        options_[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
        options_[2].Value.pszValue = &bypass_[0];
        list_.dwSize = sizeof list_;
        list_.pszConnection = nullptr;
        list_.dwOptionCount = 3;
        list_.dwOptionError = 0;
        list_.pOptions = options_;
    }
    TProxyOptions(const TProxyOptions&) = delete;
    TProxyOptions& operator=(const TProxyOptions&) = delete;

    // Sets the options on a WinINet handle, then makes WinINet read them
    // again; the refresh only when the options were taken.
    bool SetOn(HINTERNET handle) {
        return WinInet.SetOption(handle, INTERNET_OPTION_PER_CONNECTION_OPTION, &list_, sizeof list_) &&
               WinInet.SetOption(handle, INTERNET_OPTION_REFRESH, nullptr, 0);
    }
    void SetOnIgnoringResults(HINTERNET handle) {
        WinInet.SetOption(handle, INTERNET_OPTION_PER_CONNECTION_OPTION, &list_, sizeof list_);
        WinInet.SetOption(handle, INTERNET_OPTION_REFRESH, nullptr, 0);
    }

private:
    std::string server_;
    std::string bypass_;
    INTERNET_PER_CONN_OPTIONA options_[3] = {};
    INTERNET_PER_CONN_OPTION_LISTA list_ = {};
};

// Closed through the entry table, as it was opened.
void CloseInternetHandle(HINTERNET handle) { WinInet.Close(handle); }
using TInternetHandle = ui::TScopedHandle<HINTERNET, &CloseInternetHandle>;

TInternetHandle OpenDirect(const std::string& agent) {
    return TInternetHandle(WinInet.Open(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
}
}  // namespace

bool SetInternetProxy(const std::string& Agent, const std::string& Proxy) {
    TProxyOptions options(Proxy);
    const TInternetHandle session = OpenDirect(Agent);
    return session && options.SetOn(session.Get());
}

bool SetInternetProxyWithCredentials(const std::string& Agent, const std::string& Address,
                                     const std::string& UserName, const std::string& Password, int32_t Port) {
    TProxyOptions options(Address);
    const TInternetHandle session = OpenDirect(Agent);
    if (!session) return false;
    // The connection carries the credentials; the options still go on the
    // session handle.
    const TInternetHandle connection(WinInet.Connect(session.Get(), Address.c_str(), static_cast<INTERNET_PORT>(Port),
                                                     UserName.c_str(), Password.c_str(), INTERNET_SERVICE_HTTP, 0,
                                                     0));
    return connection && options.SetOn(session.Get());
}

bool ResetProxy() {
    TProxyOptions options("");
    const TInternetHandle session = OpenDirect("");
    if (!session) return false;
    options.SetOnIgnoringResults(session.Get());
    return true;
}

}  // namespace ewb
