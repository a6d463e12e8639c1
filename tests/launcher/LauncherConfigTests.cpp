#include <gtest/gtest.h>

#include <algorithm>

#include "framework/SysUtils.h"
#include "launcher/LauncherConfig.h"
#include "support/WineTestSupport.h"

using namespace launcher;
using testsupport::EnvVar;
using testsupport::FileExists;
using testsupport::ReadFileBytes;
using testsupport::TTempFolder;
using testsupport::WindowsPathOf;
using testsupport::WriteFileBytes;

namespace {

int32_t TimeFor(const std::string& value) {
    TTempFolder folder;
    std::string ini = folder.Path() + "pgame.ini";
    WriteFileBytes(ini, "[Init]\r\nTime=" + value + "\r\n");
    TIniFile file(ini);
    return file.ReadInteger("Init", "Time", 10);
}

}  // namespace

TEST(ConfigIntegers, HexadecimalInEveryPrefixAndSign) {
    EXPECT_EQ(TimeFor("0x1E"), 30);
    EXPECT_EQ(TimeFor("$1E"), 30);
    EXPECT_EQ(TimeFor("X1E"), 30);
    EXPECT_EQ(TimeFor("x1e"), 30);
    EXPECT_EQ(TimeFor("-0x1E"), -30);
    EXPECT_EQ(TimeFor("0xFFFFFFFF"), -1);
    EXPECT_EQ(TimeFor("0x7FFFFFFF"), 2147483647);
    EXPECT_EQ(TimeFor("0x"), 10);           // a prefix with no digit
    EXPECT_EQ(TimeFor("$"), 10);
    EXPECT_EQ(TimeFor("0x100000000"), 10);  // more than 32 bits
    EXPECT_EQ(TimeFor("0x1G"), 10);
}

TEST(ConfigIntegers, DecimalSignsSpacesAndLimits) {
    EXPECT_EQ(TimeFor("+7"), 7);
    EXPECT_EQ(TimeFor("   15"), 15);
    EXPECT_EQ(TimeFor("0"), 0);
    EXPECT_EQ(TimeFor("-5"), -5);
    EXPECT_EQ(TimeFor("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(TimeFor("2147483647"), 2147483647);
    EXPECT_EQ(TimeFor("2147483648"), 10);
    EXPECT_EQ(TimeFor("-2147483649"), 10);
    EXPECT_EQ(TimeFor("15s"), 10);
    EXPECT_EQ(TimeFor("1.5"), 10);
    EXPECT_EQ(TimeFor("+-3"), 10);
    EXPECT_EQ(TimeFor("-"), 10);
    EXPECT_EQ(TimeFor(""), 10);
}

TEST(ConfigIntegers, ParserRejectsWhatTheFileReaderWouldTrim) {
    // The profile reader trims spaces around a value, so the parser's own
    // rules for them are checked directly.
    int32_t v = 0;
    EXPECT_FALSE(ui::TryStrToInt("15 ", v));
    EXPECT_FALSE(ui::TryStrToInt("\t15", v));
    EXPECT_TRUE(ui::TryStrToInt("  -0x10", v));
    EXPECT_EQ(v, -16);
    EXPECT_FALSE(ui::TryStrToInt("- 5", v));
}

TEST(ConfigText, MissingGivesTheDefaultPresentEmptyGivesEmpty) {
    TTempFolder folder;
    std::string ini = folder.Path() + "pgame.ini";
    {
        TIniFile missingFile(ini);
        EXPECT_EQ(missingFile.ReadString("Init", "Web", "http://default/"), "http://default/");
        EXPECT_EQ(missingFile.ReadInteger("Init", "Time", 10), 10);
    }
    WriteFileBytes(ini, "[Other]\r\nWeb=http://other/\r\n[Init]\r\nWeb=\r\nExe=game.exe -fast\r\n");
    TIniFile file(ini);
    EXPECT_EQ(file.ReadString("Init", "Web", "http://default/"), "");
    EXPECT_EQ(file.ReadString("Init", "Exe", "game.exe"), "game.exe -fast");
    EXPECT_EQ(file.ReadString("Init", "Missing", "dflt"), "dflt");
    EXPECT_EQ(file.ReadString("Nosuch", "Web", "dflt"), "dflt");
}

TEST(ConfigText, ValuesAreCutAt2047CharactersAndReadAnewEachTime) {
    TTempFolder folder;
    std::string ini = folder.Path() + "pgame.ini";
    WriteFileBytes(ini, "[Init]\r\nExe=" + std::string(3000, 'a') + "\r\n");
    TIniFile file(ini);
    EXPECT_EQ(file.ReadString("Init", "Exe", ""), std::string(2047, 'a'));

    // Every read takes the file as it is now.
    WriteFileBytes(ini, "[Init]\r\nExe=other.exe\r\n");
    EXPECT_EQ(file.ReadString("Init", "Exe", ""), "other.exe");
}

TEST(ConfigPaths, ProgramFolderEndsWithItsSeparator) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(std::string(path).rfind(folder, 0), 0u);
    EXPECT_EQ(ConfigurationPath(), folder + "pgame.ini");
    EXPECT_EQ(ConfigSourceUrl().substr(ConfigSourceUrl().size() - 16), "/games/pgame.ini");
    EXPECT_EQ(DefaultPageUrl().substr(0, 7), "http://");
}

namespace {

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = EnvVar("TEST_HTTP_PORT");
        root = EnvVar("TEST_HTTP_ROOT");
        if (port.empty() || root.empty()) GTEST_SKIP() << "no test HTTP server (run through the test command)";
        base = "http://127.0.0.1:" + port;
        target = folder.Path() + "pgame.ini";
        WriteFileBytes(target, old);
    }
    // Only the target itself may be left in the folder.
    void ExpectNoTemporaryFile() {
        auto names = folder.FileNames();
        EXPECT_EQ(names, std::vector<std::string>{"pgame.ini"});
    }

    TTempFolder folder;
    std::string port, root, base, target;
    const std::string old = "[Init]\r\nTime=3\r\nWeb=http://old/\r\n";
};

}  // namespace

TEST_F(DownloadTest, ACompleteAnswerReplacesTheFile) {
    const std::string fresh = "[Init]\r\nTime=25\r\n";
    WriteFileBytes(WindowsPathOf(root) + "\\fresh.ini", fresh);
    EXPECT_TRUE(DownloadFile(base + "/fresh.ini", target));
    EXPECT_EQ(ReadFileBytes(target), fresh);
    ExpectNoTemporaryFile();

    // Into a folder with no earlier copy.
    TTempFolder empty;
    EXPECT_TRUE(DownloadFile(base + "/fresh.ini", empty.Path() + "pgame.ini"));
    EXPECT_EQ(ReadFileBytes(empty.Path() + "pgame.ini"), fresh);
}

TEST_F(DownloadTest, ServerErrorsKeepTheOldFileByteForByte) {
    for (const char* path : {"/status/404/pgame.ini", "/status/500/pgame.ini", "/games/nosuch.ini"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(DownloadFile(base + path, target));
        EXPECT_EQ(ReadFileBytes(target), old);
        ExpectNoTemporaryFile();
    }
}

TEST_F(DownloadTest, ARefusedConnectionKeepsTheOldFile) {
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:1/games/pgame.ini", target));
    EXPECT_EQ(ReadFileBytes(target), old);
    ExpectNoTemporaryFile();
}

TEST_F(DownloadTest, ABodyCutShortKeepsTheOldFile) {
    EXPECT_FALSE(DownloadFile(base + "/cut/pgame.ini", target));
    EXPECT_EQ(ReadFileBytes(target), old);
    ExpectNoTemporaryFile();
}

TEST_F(DownloadTest, TemporaryFilesAKilledFetchLeftAreRemovedAtTheNextFetch) {
    // Names the platform makes of our prefix, in any case; and look-alikes.
    for (const char* name : {"pgi1.tmp", "pgiA2F.tmp", "PGI12ab.TMP", "pgiX.tmp", "pgi12345.tmp", "pgi.tmp",
                             "pgi12.txt", "other.tmp"})
        WriteFileBytes(folder.Path() + name, "left over");
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:1/games/pgame.ini", target));
    auto names = folder.FileNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"other.tmp", "pgame.ini", "pgi.tmp", "pgi12.txt",
                                                             "pgi12345.tmp", "pgiX.tmp"}));
    EXPECT_EQ(ReadFileBytes(target), old);
}

TEST_F(DownloadTest, NoOldFileAndAFailedFetchLeavesNothing) {
    TTempFolder empty;
    EXPECT_FALSE(DownloadFile(base + "/status/404/x", empty.Path() + "pgame.ini"));
    EXPECT_TRUE(empty.FileNames().empty());
    EXPECT_FALSE(FileExists(empty.Path() + "pgame.ini"));
}
