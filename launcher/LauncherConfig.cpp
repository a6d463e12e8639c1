#include "LauncherConfig.h"

#include <windows.h>
#include <cctype>

#include "ConfigFetch.h"
#include "ConfigSignature.h"
#include "LauncherBuildConfig.h"
#include "framework/SysUtils.h"

namespace launcher {

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
bool FetchToTemporaryFile(const std::string& address, const std::string& folder, const TDeadline& deadline,
                          char (&temp)[MAX_PATH]) {
    if (!GetTempFileNameA(folder.c_str(), kTempPrefix, 0, temp)) return false;
    const bool whole = FetchWithDeadline(address, temp, deadline);
    if (!whole) DeleteFileA(temp);
    return whole;
}

// The copy is on the disk before the rename (FetchWithDeadline flushed it),
// and the rename is on the disk before this returns: a power cut at any
// moment leaves the old copy or the new one, never a file of zeros.
bool MoveIntoPlace(const char* temp, const std::string& filePath) {
    if (MoveFileExA(temp, filePath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
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
    // One deadline for the whole fetch, the signature's included.
    const TDeadline deadline(LAUNCHER_FETCH_TIMEOUT_S * 1000u);
    char file[MAX_PATH] = {};
    if (!FetchToTemporaryFile(address, folder, deadline, file)) return false;
#if LAUNCHER_HAS_CONFIG_KEY
    char signature[MAX_PATH] = {};
    if (!FetchToTemporaryFile(address + ".sig", folder, deadline, signature)) {
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
