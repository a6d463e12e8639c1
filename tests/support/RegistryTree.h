// Registry trees read into memory, so that a test can compare them and put
// a key back as it found it.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct TRegValue {
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
    bool operator==(const TRegValue& other) const { return Type == other.Type && Data == other.Data; }
};

struct TRegTree {
    bool Exists = false;
    std::map<std::wstring, TRegValue> Values;
    std::map<std::wstring, TRegTree> Keys;
};

TRegTree ReadRegistryTree(HKEY root, const std::wstring& path);
// Deletes the key with its subkeys; nothing when it does not exist.
void DeleteRegistryTree(HKEY root, const std::wstring& path);
// Makes the key exactly what the snapshot holds (absent when it was).
void RestoreRegistryTree(HKEY root, const std::wstring& path, const TRegTree& tree);
// The paths (key, or key and value name) where the trees differ.
std::vector<std::wstring> RegistryDifferences(const TRegTree& before, const TRegTree& after,
                                              const std::wstring& path = L"");

// Puts a key back as it was when the guard was made.
class TRegistryGuard {
public:
    TRegistryGuard(HKEY root, std::wstring path)
        : root_(root), path_(std::move(path)), saved_(ReadRegistryTree(root_, path_)) {}
    ~TRegistryGuard() { RestoreRegistryTree(root_, path_, saved_); }
    TRegistryGuard(const TRegistryGuard&) = delete;
    TRegistryGuard& operator=(const TRegistryGuard&) = delete;

private:
    HKEY root_;
    std::wstring path_;
    TRegTree saved_;
};

}  // namespace testsupport
