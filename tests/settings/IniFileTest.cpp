#include "settings/IniFile.h"
#include "base/AppError.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace hozonix;
using hozonix::test::ReadFile;
using hozonix::test::TempFolder;
using hozonix::test::WriteFile;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::string path = dir / "Hozonix.ini";
    IniFile ini{path};

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        DIR* d = opendir(dir.Path().c_str());
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        closedir(d);
        return names;
    }
};

TEST_F(IniFileTest, IntegerRules) {
    WriteFile(path, "[Num]\n"
                    "dec=42\nhex=0x10\nHEXU=0X1f\nneg=-7\nplus=+5\npadded=  12  \nquoted=\"8\"\n"
                    "text=abc\nmixed=12a\nhuge=99999999999\nempty=\nbarehex=0x\nsignsign=--1\n");
    struct Case {
        const char* key;
        int expected;
    } cases[] = {{"dec", 42},    {"hex", 16},      {"hexu", 31},      {"neg", -7},     {"plus", 5},
                 {"padded", 12}, {"quoted", 8},    {"text", -99},     {"mixed", -99},  {"huge", -99},
                 {"empty", -99}, {"barehex", -99}, {"signsign", -99}, {"missing", -99}};
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadInteger("num", c.key, -99), c.expected) << c.key;
    EXPECT_EQ(ini.ReadIniInteger("Num", "text"), 0);
    EXPECT_EQ(ini.ReadIniInteger("Num", "missing"), 0);
}

TEST_F(IniFileTest, StringRules) {
    // Long values are read whole, however long.
    const std::string longValue(100000, 'x');
    std::string japanese;
    for (int i = 0; i < 1000; ++i)
        japanese += "あ";
    WriteFile(path, "[S]\n"
                    "padded=   two words  \t\n"
                    "quoted=\"  keep blanks  \"\n"
                    "half=\"open\n"
                    "inner=a\"b\"c\n"
                    "doubled=\"\"x\"\"\n"
                    "empty=\n"
                    "long=" +
                        longValue +
                        "\n"
                        "jp=" +
                        japanese + "\n");
    EXPECT_EQ(ini.ReadIniString("s", "padded"), "two words");
    EXPECT_EQ(ini.ReadIniString("S", "quoted"), "  keep blanks  ");
    EXPECT_EQ(ini.ReadIniString("S", "half"), "\"open");
    EXPECT_EQ(ini.ReadIniString("S", "inner"), "a\"b\"c");
    EXPECT_EQ(ini.ReadIniString("S", "doubled"), "\"x\"");
    EXPECT_EQ(ini.ReadString("S", "empty", "default"), "");
    EXPECT_EQ(ini.ReadString("S", "absent", "default"), "default");
    EXPECT_EQ(ini.ReadIniString("S", "long"), longValue);
    EXPECT_EQ(ini.ReadIniString("S", "jp"), japanese);
    // A value written long reads back the same.
    ini.WriteIniString("S", "written", "  \"" + longValue + japanese + "\"  ");
    EXPECT_EQ(ini.ReadIniString("S", "written"), longValue + japanese);
}

TEST_F(IniFileTest, MatchingIgnoresCaseAndFirstWins) {
    WriteFile(path, "[fmFileSave]\nLAST_INDEX=3\nlast_index=9\n[FMFILESAVE]\nLAST_INDEX=7\nOnlyHere=1\n");
    EXPECT_EQ(ini.ReadIniInteger("FmFileSave", "Last_Index"), 3);
    // Only the first section of a name is read.
    EXPECT_EQ(ini.ReadInteger("fmFileSave", "OnlyHere", -1), -1);
    ini.WriteIniInteger("FMFILESAVE", "last_INDEX", 5);
    EXPECT_EQ(ReadFile(path),
              "[fmFileSave]\nLAST_INDEX=5\nlast_index=9\n[FMFILESAVE]\nLAST_INDEX=7\nOnlyHere=1\n");
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
    EXPECT_EQ(ini.ReadIniString("A", "b"), "");
    EXPECT_EQ(ini.ReadInteger("File_Action", "MAX", -1), -1);
    EXPECT_FALSE(hozonix::test::PathExists(path));
    ini.WriteIniString("A", "b", "c");
    EXPECT_EQ(ReadFile(path), "[A]\nb=c\n");
    ini.WriteIniInteger("B", "n", -3);
    EXPECT_EQ(ReadFile(path), "[A]\nb=c\n\n[B]\nn=-3\n");
    ini.WriteIniString("A", "second", "2");
    EXPECT_EQ(ReadFile(path), "[A]\nb=c\nsecond=2\n\n[B]\nn=-3\n");
}

TEST_F(IniFileTest, WriteKeepsForeignLinesLineEndingsAndBom) {
    const std::string original = "\xEF\xBB\xBF; written elsewhere\r\n"
                                 "[fmFileSave]\r\n"
                                 "LAST_INDEX = 2\r\n"
                                 "a line without equals\r\n"
                                 "# hash comment=ignored\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Key=\"quoted\"\r\n"
                                 "tail=no final newline";
    WriteFile(path, original);
    EXPECT_EQ(ini.ReadIniInteger("fmFileSave", "LAST_INDEX"), 2);
    EXPECT_EQ(ini.ReadIniString("fmFileSave", "# hash comment"), "");

    ini.WriteIniInteger("fmFileSave", "LAST_INDEX", 4);
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "A,B");
    ini.WriteIniString("Other", "New", "v");
    ini.WriteIniString("Third", "x", "1");
    EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF; written elsewhere\r\n"
                              "[fmFileSave]\r\n"
                              "LAST_INDEX =4\r\n"
                              "a line without equals\r\n"
                              "# hash comment=ignored\r\n"
                              "SAVE_ALL=A,B\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "Key=\"quoted\"\r\n"
                              "tail=no final newline\r\n"
                              "New=v\r\n"
                              "\r\n"
                              "[Third]\r\n"
                              "x=1\r\n");
    EXPECT_EQ(ini.ReadIniString("Other", "Key"), "quoted");
}

TEST_F(IniFileTest, BadContentNeitherCrashesNorGetsLost) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 37 + 11) % 256);
    // Big, yet within the settings file's limit.
    const std::string hugeLine(3 * 1024 * 1024, 'z');
    const std::string original = garbage + "\n[S]\nk=v\n" + hugeLine + "\nnoeq\n=novalue\n[\n[S";
    WriteFile(path, original);
    EXPECT_EQ(ini.ReadIniString("S", "k"), "v");
    EXPECT_EQ(ini.ReadString("S", "noeq", "none"), "none");
    ini.WriteIniString("S", "k", "w");
    std::string after = ReadFile(path);
    std::string expected = original;
    expected.replace(expected.find("k=v"), 3, "k=w");
    EXPECT_EQ(after, expected);
}

TEST_F(IniFileTest, UnsafeKeysAndValuesAreRefusedWithoutTouchingTheFile) {
    WriteFile(path, "[LAST_UpDateTime]\nA=2026/01/01 00:00:00\n");
    EXPECT_THROW(ini.WriteIniString("LAST_UpDateTime", "a=b", "x"), AppError);
    EXPECT_THROW(ini.WriteIniString("LAST_UpDateTime", "two\nlines", "x"), AppError);
    EXPECT_THROW(ini.WriteIniString("LAST_UpDateTime", "A", "x\r\n[Injected]"), AppError);
    EXPECT_THROW(ini.WriteIniString("Bad]Section", "A", "x"), AppError);
    EXPECT_THROW(ini.WriteIniString("S", "[notakey", "x"), AppError);
    EXPECT_EQ(ReadFile(path), "[LAST_UpDateTime]\nA=2026/01/01 00:00:00\n");
}

TEST_F(IniFileTest, FailedWriteLeavesOldFileAndNoTemporaryFile) {
    const std::string original = "[A]\nkeep=me\n";
    WriteFile(path, original);
    // A file size limit makes the write fail the way a full disk does.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    bool threw = false;
    try {
        ini.WriteIniString("A", "big", std::string(4096, 'b'));
    } catch (const AppError& e) {
        threw = true;
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Hozonix.ini"});
}

TEST_F(IniFileTest, UnreadableExistingFileIsNeverReplaced) {
    // A folder in the file's place cannot be read as text: the write must fail, not start a new file.
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    EXPECT_EQ(ini.ReadIniString("A", "b"), "");
    EXPECT_THROW(ini.WriteIniString("A", "b", "c"), AppError);
    EXPECT_TRUE(hozonix::test::PathExists(path + "/"));
}

TEST_F(IniFileTest, WriteThroughLinkReplacesTheLinkedFile) {
    const std::string real = dir / "real.ini";
    WriteFile(real, "[A]\nx=1\n");
    ASSERT_EQ(symlink(real.c_str(), path.c_str()), 0);
    ini.WriteIniInteger("A", "x", 2);
    char buf[512];
    ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), real);
    EXPECT_EQ(ReadFile(real), "[A]\nx=2\n");
}

TEST_F(IniFileTest, EraseSectionRemovesEveryCopyAndKeepsTheRest) {
    WriteFile(path, "[File_Action]\nMAX=2\nID_01=a\n[Keep]\nk=1\n[file_action]\nID_02=b\n");
    ini.EraseSection("File_Action");
    EXPECT_EQ(ReadFile(path), "[Keep]\nk=1\n");
    EXPECT_EQ(ini.ReadInteger("File_Action", "MAX", -1), -1);
    // Erasing what is not there leaves the file untouched.
    ini.EraseSection("Nothing");
    EXPECT_EQ(ReadFile(path), "[Keep]\nk=1\n");
}

TEST_F(IniFileTest, WritesKeepFilePermissions) {
    WriteFile(path, "[A]\nx=1\n");
    chmod(path.c_str(), 0640);
    ini.WriteIniInteger("A", "x", 2);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

} // namespace
