#include "about/VersionInfo.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace hozonix::test {
namespace {

namespace fs = std::filesystem;

const std::string ProgramFile = HOZONIX_PROGRAM_FILE;

// Runs objcopy on `file` in place; the test fails when it cannot.
void ObjCopy(const std::string& arguments, const std::string& file) {
    std::string command = "objcopy " + arguments + " '" + file + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string CopyOfProgram(const TempFolder& temp) {
    std::string copy = temp / "hozonix";
    fs::copy_file(ProgramFile, copy);
    return copy;
}

TEST(ReadFileVersion, BuiltProgramAndCopies) {
    EXPECT_EQ(about::ReadFileVersion(ProgramFile), "2.0.0.480");

    TempFolder temp;
    std::string stripped = CopyOfProgram(temp);
    ObjCopy("--remove-section .hozonix_version", stripped);
    EXPECT_EQ(about::ReadFileVersion(stripped), "");

    std::string notElf = temp / "notes.txt";
    WriteFile(notElf, "\\VarFileInfo\\Translation=0411 03A4\n\\StringFileInfo\\041103A4\\FileVersion=9.9\n");
    EXPECT_EQ(about::ReadFileVersion(notElf), "");
    EXPECT_EQ(about::ReadFileVersion(temp / "missing"), "");
    // A pipe would hold up an ordinary open for ever; a device would be read for ever.
    const std::string pipe = temp / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(about::ReadFileVersion(pipe), "");
    EXPECT_EQ(about::ReadFileVersion("/dev/zero"), "");
}

TEST(ReadFileVersion, OnlyTheFirstTranslationPairCounts) {
    // A section written by another build, put into a copy of the program.
    TempFolder temp;
    std::string program = CopyOfProgram(temp);
    std::string section = temp / "section.txt";
    WriteFile(section, "\\VarFileInfo\\Translation=0409 04b0 0411 03A4\n"
                       "\\StringFileInfo\\041103A4\\FileVersion=2.0.0.480\n"
                       "\\StringFileInfo\\040904B0\\FileVersion=3.1.0.7\n");
    ObjCopy("--remove-section .hozonix_version --add-section .hozonix_version=" + section, program);
    EXPECT_EQ(about::ReadFileVersion(program), "3.1.0.7");
}

TEST(ReadFileVersion, SectionTexts) {
    const std::string version = "\\StringFileInfo\\041103A4\\FileVersion=";
    const std::string longVersion(300, '7');
    struct Case {
        std::string section;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"\\VarFileInfo\\Translation=0411 03A4\n" + version + "1.2.3.4\n", "1.2.3.4"},
        {"\\VarFileInfo\\Translation=411 3a4\n" + version + "1.2.3.4\n", "1.2.3.4"},
        {version + "1.2.3.4\n", ""},                                       // no translation table
        {"\\VarFileInfo\\Translation=\n" + version + "1.2.3.4\n", ""},     // empty translation table
        {"\\VarFileInfo\\Translation=0411\n" + version + "1.2.3.4\n", ""}, // half a pair
        {"\\VarFileInfo\\Translation=0411 03A4\n", ""},                    // no FileVersion
        {"\\VarFileInfo\\Translation=0411 03A4\n" + version + "\n", ""},   // empty FileVersion
        {"\\VarFileInfo\\Translation=0411 03A4\n" + version + longVersion, longVersion.substr(0, 256)},
        {std::string("\\VarFileInfo\\Translation=0411 03A4\n") + version + "5.6" + '\0' + "\n" + version +
             "9",
         "5.6"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(about::FileVersionFromSection(c.section), c.expected) << c.section;
}

} // namespace
} // namespace hozonix::test
