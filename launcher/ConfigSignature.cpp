#include "ConfigSignature.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

namespace launcher {

namespace {

// The headers name SHA-256 only for Windows XP SP3 and later, whose RSA
// provider has it; on earlier systems the provider refuses the hash.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;

// A signature is as long as the key's modulus; CryptoAPI's RSA keys end at
// 16384 bits.
constexpr DWORD kMaxSignatureSize = 16384 / 8;

// The CryptoAPI entry points, bound at run time.
struct TCryptoApi {
    decltype(&CryptAcquireContextA) AcquireContext;
    decltype(&CryptReleaseContext) ReleaseContext;
    decltype(&CryptDecodeObjectEx) DecodeObjectEx;
    decltype(&CryptImportPublicKeyInfo) ImportPublicKeyInfo;
    decltype(&CryptDestroyKey) DestroyKey;
    decltype(&CryptCreateHash) CreateHash;
    decltype(&CryptHashData) HashData;
    decltype(&CryptDestroyHash) DestroyHash;
    decltype(&CryptVerifySignatureA) VerifySignature;
};

// A library of the system folder, by its full path: the game's folder,
// which the fetch writes to, can never put one of the same name in its
// place.
class TSystemLibrary {
public:
    explicit TSystemLibrary(const char* name) {
        char folder[MAX_PATH];
        UINT n = GetSystemDirectoryA(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH) module_ = LoadLibraryA((std::string(folder, n) + "\\" + name).c_str());
    }
    ~TSystemLibrary() {
        if (module_) FreeLibrary(module_);
    }
    TSystemLibrary(const TSystemLibrary&) = delete;
    TSystemLibrary& operator=(const TSystemLibrary&) = delete;

    template <typename F>
    bool Bind(const char* name, F& entry) const {
        entry = module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
        return entry != nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

class TReadFile {
public:
    explicit TReadFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~TReadFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    TReadFile(const TReadFile&) = delete;
    TReadFile& operator=(const TReadFile&) = delete;

    // The next bytes, at most `size`; 0 at the end and on an error, which
    // Failed() then tells.
    DWORD Read(BYTE* buffer, DWORD size) {
        DWORD n = 0;
        if (handle_ == INVALID_HANDLE_VALUE || !ReadFile(handle_, buffer, size, &n, nullptr)) failed_ = true;
        return failed_ ? 0 : n;
    }
    bool Failed() const { return failed_; }

private:
    HANDLE handle_;
    bool failed_ = false;
};

bool HashFile(const TCryptoApi& api, HCRYPTHASH hash, const std::string& path) {
    TReadFile file(path);
    BYTE buffer[4096];
    while (DWORD n = file.Read(buffer, sizeof buffer))
        if (!api.HashData(hash, buffer, n, 0)) return false;
    return !file.Failed();
}

bool ReadSignature(const std::string& path, BYTE (&signature)[kMaxSignatureSize + 1], DWORD& size) {
    TReadFile file(path);
    size = 0;
    while (DWORD n = file.Read(signature + size, sizeof signature - size)) size += n;
    return !file.Failed() && size > 0 && size <= kMaxSignatureSize;
}

bool Verify(const TCryptoApi& api, HCRYPTPROV provider, const std::string& filePath,
            const std::string& signaturePath, const unsigned char* publicKeyInfo, size_t publicKeyInfoSize) {
    BYTE signature[kMaxSignatureSize + 1];
    DWORD signatureSize = 0;
    if (!ReadSignature(signaturePath, signature, signatureSize)) return false;
    // OpenSSL writes the signature big-endian, CryptoAPI reads it
    // little-endian.
    std::reverse(signature, signature + signatureSize);

    CERT_PUBLIC_KEY_INFO* info = nullptr;
    DWORD infoSize = 0;
    if (!api.DecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, publicKeyInfo,
                            static_cast<DWORD>(publicKeyInfoSize), CRYPT_DECODE_ALLOC_FLAG, nullptr, &info,
                            &infoSize))
        return false;
    HCRYPTKEY key = 0;
    bool imported = api.ImportPublicKeyInfo(provider, X509_ASN_ENCODING, info, &key) != FALSE;
    LocalFree(info);
    if (!imported) return false;

    bool verified = false;
    HCRYPTHASH hash = 0;
    if (api.CreateHash(provider, kSha256, 0, 0, &hash)) {
        verified = HashFile(api, hash, filePath) &&
                   api.VerifySignature(hash, signature, signatureSize, key, nullptr, 0) != FALSE;
        api.DestroyHash(hash);
    }
    api.DestroyKey(key);
    return verified;
}

}  // namespace

bool VerifyFileSignature(const std::string& filePath, const std::string& signaturePath,
                         const unsigned char* publicKeyInfo, size_t publicKeyInfoSize) {
    TSystemLibrary advapi32("advapi32.dll"), crypt32("crypt32.dll");
    TCryptoApi api;
    if (!advapi32.Bind("CryptAcquireContextA", api.AcquireContext) ||
        !advapi32.Bind("CryptReleaseContext", api.ReleaseContext) ||
        !crypt32.Bind("CryptDecodeObjectEx", api.DecodeObjectEx) ||
        !crypt32.Bind("CryptImportPublicKeyInfo", api.ImportPublicKeyInfo) ||
        !advapi32.Bind("CryptDestroyKey", api.DestroyKey) || !advapi32.Bind("CryptCreateHash", api.CreateHash) ||
        !advapi32.Bind("CryptHashData", api.HashData) || !advapi32.Bind("CryptDestroyHash", api.DestroyHash) ||
        !advapi32.Bind("CryptVerifySignatureA", api.VerifySignature))
        return false;
    HCRYPTPROV provider = 0;
    if (!api.AcquireContext(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return false;
    bool verified = Verify(api, provider, filePath, signaturePath, publicKeyInfo, publicKeyInfoSize);
    api.ReleaseContext(provider, 0);
    return verified;
}

}  // namespace launcher
