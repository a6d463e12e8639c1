// The publisher's signature on a fetched configuration: RSA PKCS#1 v1.5
// over SHA-256, the raw bytes as OpenSSL's "dgst -sha256 -sign" writes
// them, checked with the platform's own cryptography.
#pragma once

#include <cstddef>
#include <string>

namespace launcher {

// Whether `signaturePath` holds a signature of the whole of `filePath` made
// with the private half of `publicKeyInfo` (an X.509 SubjectPublicKeyInfo,
// DER). False whenever it cannot tell: a file that cannot be read, or a
// platform whose RSA provider has no SHA-256 (Windows XP before SP3).
bool VerifyFileSignature(const std::string& filePath, const std::string& signaturePath,
                         const unsigned char* publicKeyInfo, size_t publicKeyInfoSize);

}  // namespace launcher
