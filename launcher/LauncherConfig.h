// The launcher's configuration file "pgame.ini": where it lives, how it is
// fetched and how its values are read.
#pragma once

#include <cstdint>
#include <string>

namespace launcher {

// Addresses on the product web server.
std::string ConfigSourceUrl();  // "/games/pgame.ini"
std::string DefaultPageUrl();   // "/games/pads.html"
std::string PlayPageUrl();      // "/games/play.html"

// The running program's folder, with its trailing "\" (or ":").
std::string ProgramFolder();
std::string ConfigurationPath();

// Fetches `address` into `filePath`. The file is replaced only by a complete
// HTTP 200 answer; in every other case (no network, a server error, a body
// cut short, a file that cannot be written) it stays as it was, and the
// answer is false.
// With the publisher's key built in, the file must come with its signature:
// `address` + ".sig", fetched by the same rules and checked with that key.
// Only then is the file replaced, and the signature kept beside it as
// `filePath` + ".sig"; otherwise both stay as they were.
// Before it fetches, it removes the temporary files of its own prefix that
// an earlier fetch, killed on the way, left in the folder.
bool DownloadFile(const std::string& address, const std::string& filePath);
bool IsOwnTemporaryName(const std::string& name);
void RemoveStaleTemporaryFiles(const std::string& folder);

// An integer value of the file as read: "0x"/"0X" first stands for "$",
// then the signed 32-bit parse; the default when it does not parse.
int32_t ParseConfigInteger(std::string text, int32_t defaultValue);

// The configuration object: it holds only the path, and every read takes
// the file's content at that moment. Releasing it flushes the platform's
// cached profile data for the file.
class TIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // The value, at most 2047 characters; the default when the file, the
    // section or the key is missing. A present, empty key gives "".
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // A signed 32-bit value in decimal or hexadecimal ("$1E", "0x1E",
    // "X1E"); the default when the text does not parse.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;

private:
    std::string fileName_;
};

}  // namespace launcher
