// The configuration's integer reading against a small model of its rules,
// over generated inputs, and the file reader on damaged files.
// LAUNCHER_LONG_RUN=1 in the environment makes the generated run ten
// million inputs long instead of a few hundred thousand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "launcher/LauncherConfig.h"
#include "support/WineTestSupport.h"

using launcher::ParseConfigInteger;
using launcher::TIniFile;
using testsupport::TTempFolder;
using testsupport::WriteFileBytes;

namespace {

// The rules as written: "0x" first becomes "$"; spaces, one sign, then a
// hexadecimal prefix with 32 bits of digits or decimal digits in range.
// Answers whether the text parses, and its value.
bool ModelParse(std::string text, int32_t& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    size_t at = text.find_first_not_of(' ');
    if (text.empty() || at == std::string::npos) return false;
    std::string rest = text.substr(at);
    bool negative = false;
    if (rest[0] == '+' || rest[0] == '-') {
        negative = rest[0] == '-';
        rest.erase(0, 1);
    }
    int base = 10;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        base = 16;
        rest.erase(0, 1);
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        base = 16;
        rest.erase(0, 2);
    }
    if (rest.empty()) return false;
    const std::string allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (rest.find_first_not_of(allowed) != std::string::npos) return false;
    // Leading zeros carry no value; what is left must fit its range.
    rest.erase(0, std::min(rest.find_first_not_of('0'), rest.size()));
    if (rest.size() > 10) return false;
    const unsigned long long magnitude = rest.empty() ? 0 : std::stoull(rest, nullptr, base);
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFull) return false;
        const uint32_t bits = static_cast<uint32_t>(magnitude);
        value = static_cast<int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return false;
    value = negative ? static_cast<int32_t>(-static_cast<long long>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

// Mostly text shaped like a number, some of it plain noise.
std::string Generate(std::mt19937& random) {
    auto pick = [&](const std::string& from) { return from[random() % from.size()]; };
    std::string text;
    if (random() % 4 == 0) {
        for (unsigned n = random() % 12; n > 0; --n) text += pick(" +-$xX0123456789abcdefABCDEFgG.\t");
        return text;
    }
    text.append(random() % 8 == 0 ? random() % 3 : 0, ' ');
    if (random() % 3 == 0) text += pick("+-");
    static const char* const prefixes[] = {"", "", "", "$", "x", "X", "0x", "0X"};
    const std::string prefix = prefixes[random() % 8];
    text += prefix;
    const bool hex = !prefix.empty();
    // Magnitudes around the limits are the interesting ones.
    static const unsigned long long around[] = {0, 7, 255, 2147483647ull, 2147483648ull, 4294967295ull,
                                                4294967296ull, 99999999999ull};
    unsigned long long magnitude = around[random() % 8];
    const long long wobble = static_cast<long long>(random() % 5) - 2;
    magnitude = static_cast<unsigned long long>(static_cast<long long>(magnitude) + wobble);
    if (random() % 4 == 0) magnitude = random();
    char digits[32];
    std::snprintf(digits, sizeof digits, hex ? (random() % 2 ? "%llx" : "%llX") : "%llu", magnitude);
    if (random() % 6 == 0) text += "00";
    text += digits;
    if (random() % 10 == 0) text += pick(" .s+xg");
    return text;
}

long RunLength() {
    const char* longRun = std::getenv("LAUNCHER_LONG_RUN");
    return longRun && *longRun && std::string(longRun) != "0" ? 10000000L : 300000L;
}

}  // namespace

TEST(ConfigIntegerProperty, EveryGeneratedTextReadsAsTheRulesSay) {
    std::mt19937 random(20261208u);
    const long count = RunLength();
    long parsed = 0, mismatches = 0;
    for (long i = 0; i < count; ++i) {
        const std::string text = Generate(random);
        int32_t expected = 0;
        const bool ok = ModelParse(text, expected);
        const int32_t defaultValue = ok && expected == 10 ? 11 : 10;
        const int32_t got = ParseConfigInteger(text, defaultValue);
        parsed += ok;
        if (got != (ok ? expected : defaultValue) && ++mismatches <= 10)
            ADD_FAILURE() << "\"" << text << "\": read " << got << ", the rules say "
                          << (ok ? std::to_string(expected) : "the default");
    }
    EXPECT_EQ(mismatches, 0);
    // Both kinds were well represented.
    EXPECT_GT(parsed, count / 5);
    EXPECT_LT(parsed, count - count / 5);
}

TEST(ConfigFileReader, DamagedFilesGiveTheDefaultsWithoutHarm) {
    TTempFolder folder;
    const std::string ini = folder.Path() + "pgame.ini";
    TIniFile file(ini);
    std::mt19937 random(7u);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string megabyte(1024 * 1024, '7');
    const struct {
        const char* what;
        std::string content;
    } files[] = {
        {"binary garbage", garbage},
        {"no section", "Time=5\r\nExe=x.exe\r\n"},
        {"another section only", "[Other]\r\nTime=5\r\n"},
        {"a 1 MB value", "[Init]\r\nTime=" + megabyte + "\r\n"},
        {"a key without =", "[Init]\r\nTime\r\n"},
        {"garbage then the section", garbage.substr(0, 4096) + "\r\n[Init]\r\nTime\r\n"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        WriteFileBytes(ini, f.content);
        EXPECT_EQ(file.ReadInteger("Init", "Time", 10), 10);
        EXPECT_LE(file.ReadString("Init", "Exe", "game.exe").size(), 2047u);
    }
    // A 1 MB value is read as its first 2047 characters.
    WriteFileBytes(ini, "[Init]\r\nExe=" + megabyte + "\r\n");
    EXPECT_EQ(file.ReadString("Init", "Exe", "game.exe"), megabyte.substr(0, 2047));
    // Without section or key the defaults hold.
    WriteFileBytes(ini, "Exe=x.exe\r\n");
    EXPECT_EQ(file.ReadString("Init", "Exe", "game.exe"), "game.exe");
}
