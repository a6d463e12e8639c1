#include "LauncherConfig.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>
#include <wrl/client.h>

#include <cctype>

#include "ConfigSignature.h"
#include "LauncherBuildConfig.h"
#include "framework/SysUtils.h"

namespace launcher {

namespace {
// urlmon.h's identifier; libuuid's copy would bring 6 KB of other
// identifiers that share its object file.
const IID kIID_IWinInetHttpInfo = {0x79eac9d8, 0xbafa, 0x11ce, {0x8c, 0x82, 0x00, 0xaa, 0x00, 0x4b, 0xa9, 0x0b}};
}  // namespace

std::string ConfigSourceUrl() { return std::string(LAUNCHER_SERVER_URL) + "/games/pgame.ini"; }
std::string DefaultPageUrl() { return std::string(LAUNCHER_SERVER_URL) + "/games/pads.html"; }
std::string PlayPageUrl() { return std::string(LAUNCHER_SERVER_URL) + "/games/play.html"; }

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, n);
    size_t cut = full.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
}

std::string ConfigurationPath() { return ProgramFolder() + "pgame.ini"; }

namespace {

// Watches one download: the HTTP status of the answer and whether the body
// arrived whole. The platform's own result says S_OK for a 404 and for a
// body cut short, so it alone cannot tell a good copy from a broken one.
class TDownloadWatch : public IBindStatusCallback, public IHttpNegotiate {
public:
    DWORD StatusCode() const { return statusCode_; }
    bool Truncated() const { return truncated_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IBindStatusCallback)
            *out = static_cast<IBindStatusCallback*>(this);
        else if (iid == IID_IHttpNegotiate)
            *out = static_cast<IHttpNegotiate*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
        binding_ = binding;
        if (binding_) binding_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG status, LPCWSTR) override {
        if (status == BINDSTATUS_ENDDOWNLOADDATA && progressMax != 0 && progress < progressMax)
            truncated_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override {
        // An answer served without a response callback (a cache hit, say)
        // still carries its status on the binding.
        if (statusCode_ == 0 && binding_) {
            IWinInetHttpInfo* info = nullptr;
            if (SUCCEEDED(binding_->QueryInterface(kIID_IWinInetHttpInfo, reinterpret_cast<void**>(&info))) &&
                info) {
                DWORD code = 0, size = sizeof code, flags = 0;
                if (SUCCEEDED(info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                                              &flags, nullptr)))
                    statusCode_ = code;
                info->Release();
            }
        }
        if (binding_) {
            binding_->Release();
            binding_ = nullptr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) override {
        if (additional) *additional = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional) override {
        statusCode_ = code;
        if (additional) *additional = nullptr;
        return S_OK;
    }

private:
    virtual ~TDownloadWatch() = default;

    LONG refs_ = 1;
    DWORD statusCode_ = 0;
    bool truncated_ = false;
    IBinding* binding_ = nullptr;
};

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string(".\\") : path.substr(0, cut + 1);
}

// The prefix of the fetch's temporary files.
constexpr char kTempPrefix[] = "pgi";

}  // namespace

bool IsOwnTemporaryName(const std::string& name) {
    // What the platform makes of the prefix: up to four hexadecimal digits
    // and ".tmp", in any case.
    const size_t prefix = sizeof kTempPrefix - 1;
    if (name.size() < prefix + 1 + 4 || name.size() > prefix + 4 + 4) return false;
    if (lstrcmpiA(name.substr(0, prefix).c_str(), kTempPrefix) != 0) return false;
    if (lstrcmpiA(name.substr(name.size() - 4).c_str(), ".tmp") != 0) return false;
    for (size_t i = prefix; i < name.size() - 4; ++i)
        if (!isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + kTempPrefix + "*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsOwnTemporaryName(found.cFileName))
            DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

namespace {

// Fetches `address` into a new temporary file of `folder`, named in `temp`:
// true when a complete HTTP 200 answer arrived; otherwise the file is gone.
bool FetchToTemporaryFile(const std::string& address, const std::string& folder, char (&temp)[MAX_PATH]) {
    if (!GetTempFileNameA(folder.c_str(), kTempPrefix, 0, temp)) return false;
    Microsoft::WRL::ComPtr<TDownloadWatch> watch;
    watch.Attach(new TDownloadWatch());
    const HRESULT hr = URLDownloadToFileA(nullptr, address.c_str(), temp, 0, watch.Get());
    const bool whole = hr == S_OK && watch->StatusCode() == HTTP_STATUS_OK && !watch->Truncated();
    if (!whole) DeleteFileA(temp);
    return whole;
}

bool MoveIntoPlace(const char* temp, const std::string& filePath) {
    if (MoveFileExA(temp, filePath.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileA(temp);
    return false;
}

#if LAUNCHER_HAS_CONFIG_KEY
const unsigned char kConfigKey[] = {LAUNCHER_CONFIG_KEY_DER};
#endif

}  // namespace

bool DownloadFile(const std::string& address, const std::string& filePath) {
    const std::string folder = FolderOf(filePath);
    // What an earlier fetch that was killed left behind goes first.
    RemoveStaleTemporaryFiles(folder);
    char file[MAX_PATH] = {};
    if (!FetchToTemporaryFile(address, folder, file)) return false;
#if LAUNCHER_HAS_CONFIG_KEY
    char signature[MAX_PATH] = {};
    if (!FetchToTemporaryFile(address + ".sig", folder, signature)) {
        DeleteFileA(file);
        return false;
    }
    if (!VerifyFileSignature(file, signature, kConfigKey, sizeof kConfigKey)) {
        DeleteFileA(file);
        DeleteFileA(signature);
        return false;
    }
    if (!MoveIntoPlace(file, filePath)) {
        DeleteFileA(signature);
        return false;
    }
    MoveIntoPlace(signature, filePath + ".sig");
    return true;
#else
    return MoveIntoPlace(file, filePath);
#endif
}

TIniFile::~TIniFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    char buffer[2048];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                       sizeof buffer, fileName_.c_str());
    return std::string(buffer, n);
}

int32_t ParseConfigInteger(std::string text, int32_t defaultValue) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    int32_t value = 0;
    return ui::TryStrToInt(text, value) ? value : defaultValue;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const {
    return ParseConfigInteger(ReadString(section, key, std::string()), defaultValue);
}

}  // namespace launcher
