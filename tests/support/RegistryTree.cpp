#include "support/RegistryTree.h"

namespace testsupport {

namespace {
void ReadInto(HKEY key, TRegTree& tree) {
    tree.Exists = true;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                     &longestData, nullptr, nullptr);
    std::vector<wchar_t> name(std::max(longestName, longestSubkey) + 1);
    for (DWORD i = 0; i < values; ++i) {
        TRegValue value;
        value.Data.resize(longestData + 1);
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(value.Data.size());
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &value.Type, value.Data.data(), &dataLength) !=
            ERROR_SUCCESS)
            continue;
        value.Data.resize(dataLength);
        tree.Values[std::wstring(name.data(), nameLength)] = value;
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        std::wstring subkey(name.data(), nameLength);
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        ReadInto(child, tree.Keys[subkey]);
        RegCloseKey(child);
    }
}

void WriteInto(HKEY key, const TRegTree& tree) {
    for (const auto& value : tree.Values)
        RegSetValueExW(key, value.first.c_str(), 0, value.second.Type, value.second.Data.data(),
                       static_cast<DWORD>(value.second.Data.size()));
    for (const auto& subkey : tree.Keys) {
        HKEY child = nullptr;
        if (RegCreateKeyExW(key, subkey.first.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr) !=
            ERROR_SUCCESS)
            continue;
        WriteInto(child, subkey.second);
        RegCloseKey(child);
    }
}

std::wstring Join(const std::wstring& path, const std::wstring& name) { return path.empty() ? name : path + L"\\" + name; }
}  // namespace

TRegTree ReadRegistryTree(HKEY root, const std::wstring& path) {
    TRegTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
    ReadInto(key, tree);
    RegCloseKey(key);
    return tree;
}

void DeleteRegistryTree(HKEY root, const std::wstring& path) {
    TRegTree tree = ReadRegistryTree(root, path);
    if (!tree.Exists) return;
    for (const auto& subkey : tree.Keys) DeleteRegistryTree(root, Join(path, subkey.first));
    RegDeleteKeyW(root, path.c_str());
}

void RestoreRegistryTree(HKEY root, const std::wstring& path, const TRegTree& tree) {
    DeleteRegistryTree(root, path);
    if (!tree.Exists) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    WriteInto(key, tree);
    RegCloseKey(key);
}

std::vector<std::wstring> RegistryDifferences(const TRegTree& before, const TRegTree& after,
                                              const std::wstring& path) {
    std::vector<std::wstring> out;
    if (before.Exists != after.Exists) {
        out.push_back(path + (after.Exists ? L" (created)" : L" (deleted)"));
        return out;
    }
    for (const auto& value : before.Values) {
        auto it = after.Values.find(value.first);
        if (it == after.Values.end() || !(it->second == value.second)) out.push_back(path + L" : " + value.first);
    }
    for (const auto& value : after.Values)
        if (!before.Values.count(value.first)) out.push_back(path + L" : " + value.first + L" (new)");
    static const TRegTree absent;
    for (const auto& subkey : before.Keys) {
        auto it = after.Keys.find(subkey.first);
        auto more = RegistryDifferences(subkey.second, it == after.Keys.end() ? absent : it->second,
                                        Join(path, subkey.first));
        out.insert(out.end(), more.begin(), more.end());
    }
    for (const auto& subkey : after.Keys)
        if (!before.Keys.count(subkey.first)) out.push_back(Join(path, subkey.first) + L" (created)");
    return out;
}

}  // namespace testsupport
