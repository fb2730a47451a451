#include "about/ProgramInfo.h"
#include "about/DesktopOpener.h"
#include "base/AppError.h"

#include "SambaServer.h"
#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

namespace hozonix::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string ProgramFile = HOZONIX_PROGRAM_FILE;

class JapaneseLocale : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

// Sets a file's modification time to noon of a local date.
void SetModificationDate(const std::string& path, int year, int month, int day) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    timespec times[2] = {{std::mktime(&t), 0}, {std::mktime(&t), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(JapaneseLocale, AboutBoxWithAFixedDate) {
    ScriptedMessageBox box;
    about::ShowAboutBox(box, ProgramFile, QDate(2024, 3, 5));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].kind, MessageKind::Information);
    EXPECT_EQ(box.shown[0].buttons, OkButton);
    EXPECT_EQ(box.shown[0].text, "Hozonix\r\n"
                                 "\r\n"
                                 " バージョン: 2.0.0.480\r\n"
                                 "URL    https://hozonix.example/\r\n"
                                 "E-Mail support@hozonix.example\r\n"
                                 "\r\n"
                                 "最終更新日 2024/03/05");
}

TEST_F(JapaneseLocale, AboutTextFollowsTheProgramFile) {
    TempFolder temp;
    std::string copy = temp / "hozonix";
    fs::copy_file(ProgramFile, copy);

    SetModificationDate(copy, 2021, 7, 4);
    std::string text = about::ProgramAboutText(copy);
    EXPECT_NE(text.find(" バージョン: 2.0.0.480\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\n\r\n最終更新日 2021/07/04")) << text;

    SetModificationDate(copy, 2023, 12, 31);
    EXPECT_TRUE(about::ProgramAboutText(copy).ends_with("最終更新日 2023/12/31"));

    // Without version strings the version is empty and the rest stays.
    ASSERT_EQ(std::system(("objcopy --remove-section .hozonix_version '" + copy + "'").c_str()), 0);
    text = about::ProgramAboutText(copy, QDate(2020, 1, 2));
    EXPECT_NE(text.find("\r\n バージョン: \r\nURL    "), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("最終更新日 2020/01/02"));
}

class RecordingOpener : public about::DesktopOpener {
public:
    void Open(const std::string& target) override { opened.push_back(target); }
    std::vector<std::string> opened;
};

TEST(ProgramInfoCommands, OpenTheRightTargets) {
    RecordingOpener opener;
    about::OpenHomePage(opener);
    about::OpenSettingsFile(opener, "/home/u/my config/Korimaru/hozonix/hozonix.ini");
    about::OpenReadme(opener, "/home/u/.config/Korimaru/hozonix/");
    about::OpenReadme(opener, "/home/u/.config/Korimaru/hozonix");
    about::OpenReadme(opener, "/data//");
    EXPECT_EQ(opener.opened, (std::vector<std::string>{
                                 "https://hozonix.example/", "/home/u/my config/Korimaru/hozonix/hozonix.ini",
                                 "/home/u/.config/Korimaru/hozonix/Readme.TXT",
                                 "/home/u/.config/Korimaru/hozonix/Readme.TXT", "/data/Readme.TXT"}));
}

TEST(Readme, TheShippedReadmeIsPutIntoTheDataFolderOnlyWhenMissing) {
    // The text compiled in is data/Readme.TXT: what the program does, where the settings live and how
    // profiles run from a timer.
    const std::string shipped = about::ShippedReadmeText();
    EXPECT_EQ(shipped, ReadFile(HOZONIX_README_FILE));
    for (const char* told : {"Hozonix", "~/.config/Korimaru/hozonix/hozonix.ini", "hozonix-run",
                             "systemctl --user enable --now", "journalctl", "hozonix-run-failed@.service"})
        EXPECT_NE(shipped.find(told), std::string::npos) << told;

    TempFolder data;
    EXPECT_TRUE(about::PutReadmeInPlace(data.Path()));
    EXPECT_EQ(ReadFile(data / "Readme.TXT"), shipped);

    // The user's own notes in it stay; so does a link of that name, dangling or not.
    WriteFile(data / "Readme.TXT", "自分のメモ");
    EXPECT_FALSE(about::PutReadmeInPlace(data.Path(), "新しい版"));
    EXPECT_EQ(ReadFile(data / "Readme.TXT"), "自分のメモ");
    TempFolder linked;
    fs::create_symlink(linked / "nowhere", linked / "Readme.TXT");
    EXPECT_FALSE(about::PutReadmeInPlace(linked.Path(), "x"));
    EXPECT_FALSE(PathExists(linked / "nowhere"));

    // A data folder that cannot take it is an error for the caller to weigh.
    EXPECT_THROW(about::PutReadmeInPlace(data / "no/such/folder", "x"), AppError);
}

TEST(XdgOpener, PassesThePathAsOneArgumentWithoutWaiting) {
    TempFolder temp;
    const std::string out = temp / "args";
    const std::string handler = temp / "fake-open";
    // Slow on purpose: the caller must not wait for it.
    WriteFile(handler, "#!/bin/sh\nsleep 1\nprintf '%s|' \"$#\" \"$@\" > '" + out + ".tmp'\nmv '" + out +
                           ".tmp' '" + out + "'\n");
    ASSERT_EQ(chmod(handler.c_str(), 0755), 0);
    const std::vector<pid_t> childrenBefore = ChildProcesses();

    about::XdgOpener opener(handler);
    const auto start = Clock::now();
    opener.Open("/tmp/a folder/hozonix settings.ini");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(800));
    // Nothing of the handler stays a child of the program (no zombie to reap).
    EXPECT_EQ(ChildProcesses(), childrenBefore);

    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!PathExists(out) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadFile(out), "1|/tmp/a folder/hozonix settings.ini|");

    // A handler that cannot be started is not reported and does not hold the caller.
    about::XdgOpener missing(temp / "no-such-handler");
    missing.Open("https://hozonix.example/");
    EXPECT_EQ(ChildProcesses(), childrenBefore);
}

} // namespace
} // namespace hozonix::test
