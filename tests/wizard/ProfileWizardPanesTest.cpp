#include "wizard/ProfileWizardFileHint.h"
#include "wizard/ProfileWizardFileList.h"

#include "ProfileWizardTestFixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>

using namespace hozonix;
using namespace hozonix::wizard;
using test::ProfileWizardTest;

namespace {

const QLocale kJapan(QLocale::Japanese, QLocale::Japan);

QStringList Shown(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

QImage IconOf(const QListWidget& list, const QString& text) {
    const auto found = list.findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? QImage() : found.front()->icon().pixmap(16, 16).toImage();
}

void SetModified(const std::string& path, const QDateTime& local) {
    const timespec t{static_cast<time_t>(local.toSecsSinceEpoch()), 0};
    const timespec times[2] = {t, t};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Moves the mouse over the entry with that text and gives the status text.
QString HoverOver(ProfileWizardDialog& w, ProfileWizardFileList& pane, const QString& text) {
    const auto found = pane.findItems(text, Qt::MatchExactly);
    EXPECT_FALSE(found.isEmpty()) << text.toStdString();
    if (found.isEmpty())
        return {};
    const QPointF at = pane.visualItemRect(found.front()).center();
    QMouseEvent move(QEvent::MouseMove, at, pane.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pane.viewport(), &move);
    return w.StatusText();
}

} // namespace

TEST(ProfileWizardFileHint, KilobytesTakeTheLocalesMoneyFormWithoutASign) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const struct {
        std::int64_t size;
        QLocale locale;
        const char* expected;
    } cases[] = {{1536, kJapan, "2"}, // rounded to the yen's no decimals
                 {1264199, kJapan, "1,235"},
                 {2048, us, "2.00"},
                 {1264199, us, "1,234.57"},
                 {1264199, QLocale(QLocale::German, QLocale::Germany), "1.234,57"},
                 {5LL << 30, kJapan, "5,242,880"}}; // past 32 bits
    for (const auto& c : cases)
        EXPECT_EQ(KilobyteText(c.size, c.locale).toStdString(), c.expected) << c.size;
}

TEST_F(ProfileWizardTest, PanesListEveryEntrySortedWithFoldersInBrackets) {
    test::WriteFile(src + "/b.txt", "b");
    test::WriteFile(src + "/.hidden", "");
    test::WriteFile(src + "/Setup.EXE", "x");
    test::WriteFile(src + "/A.txt", "a");
    std::filesystem::create_directories(src + "/sub");
    std::filesystem::create_directory_symlink(src + "/sub", src + "/link");
    mkfifo((src + "/pipe").c_str(), 0600);

    OpenForNew([&](ProfileWizardDialog& w) {
        const std::string before = w.SourceFiles()->Folder();
        w.SourceEdit()->setText(QString::fromStdString(dir / "missing"));
        EXPECT_EQ(w.SourceFiles()->Folder(), before) << "a missing folder leaves the pane";
        w.SourceEdit()->setText(QString::fromStdString(src));
        EXPECT_EQ(w.SourceFiles()->Folder(), src);
        EXPECT_EQ(Shown(*w.SourceFiles()), (QStringList{".hidden", "[..]", "[.]", "[link]", "[sub]", "A.txt",
                                                        "b.txt", "pipe", "Setup.EXE"}));
        const QImage file = IconOf(*w.SourceFiles(), "b.txt");
        EXPECT_NE(IconOf(*w.SourceFiles(), "[sub]"), file);
        EXPECT_NE(IconOf(*w.SourceFiles(), "Setup.EXE"), file);
        EXPECT_NE(IconOf(*w.SourceFiles(), "Setup.EXE"), IconOf(*w.SourceFiles(), "[sub]"));

        // The right pane follows the destination field only.
        w.DestinationEdit()->setText(QString::fromStdString(dst));
        EXPECT_EQ(w.DestinationFiles()->Folder(), dst);
        EXPECT_EQ(Shown(*w.DestinationFiles()), (QStringList{"[..]", "[.]"}));
        EXPECT_EQ(w.SourceFiles()->Folder(), src);
    });
}

TEST_F(ProfileWizardTest, HoveringOverAnEntryShowsItsSizeAndDate) {
    test::WriteFile(dst + "/k1", std::string(1024, 'x'));
    test::WriteFile(dst + "/k2", std::string(2048, 'x'));
    test::WriteFile(dst + "/empty", "");
    SetModified(dst + "/k1", QDateTime(QDate(2025, 11, 30), QTime(23, 59, 58)));
    SetModified(dst + "/k2", QDateTime(QDate(2025, 12, 1), QTime(0, 0, 0))); // midnight: no time

    OpenForNew([&](ProfileWizardDialog& w) {
        w.setLocale(kJapan);
        w.DestinationEdit()->setText(QString::fromStdString(dst + "/"));
        const QString folder = QString::fromStdString(dst + "/");
        EXPECT_EQ(HoverOver(w, *w.DestinationFiles(), "k1"), "k1 = 1024B  2025/11/30 23時59分58秒");
        EXPECT_EQ(HoverOver(w, *w.DestinationFiles(), "k2"), "k2 = 2KB   2025/12/01");
        EXPECT_EQ(HoverOver(w, *w.DestinationFiles(), "[..]"), folder);
        EXPECT_EQ(HoverOver(w, *w.DestinationFiles(), "empty"), folder);

        // The prompt comes back only with the next page shown.
        w.ShowPage(1);
        EXPECT_EQ(w.StatusText(), "コピー元のディレクトリを指定してください");
    });
}

TEST_F(ProfileWizardTest, PickedFoldersJoinWhatTheFieldHolds) {
    folders.answers = {"/picked/one", "/picked/two", std::nullopt, "/ex/a", "/ex/b"};
    OpenForNew([&](ProfileWizardDialog& w) {
        QTest::mouseDClick(w.SourceEdit(), Qt::LeftButton);
        EXPECT_EQ(w.SourceEdit()->text(), "/picked/one");
        w.BrowseSourceButton()->click();
        EXPECT_EQ(w.SourceEdit()->text(), "/picked/one,/picked/two");
        w.BrowseDestinationButton()->click(); // cancelled
        EXPECT_EQ(w.DestinationEdit()->text(), "");
        w.BrowseExcludedButton()->click();
        w.BrowseExcludedButton()->click();
        EXPECT_EQ(w.ExcludedFoldersEdit()->text(), "/ex/a,/ex/b");

        // The joined source names no folder and is refused.
        w.NextButton()->click();
        EXPECT_EQ(TakeMessages(),
                  std::vector<std::string>{
                      "コピー元のディレクトリが存在しません\r\n正しいディレクトリを指定してください"});
    });
    ASSERT_EQ(folders.calls.size(), 5u);
    EXPECT_EQ(folders.calls[0].title, "1.コピー元のディレクトリを指定してください(ダブルクリック)");
    EXPECT_EQ(folders.calls[0].initialFolder, "");
    EXPECT_EQ(folders.calls[1].initialFolder, "/picked/one");
    EXPECT_EQ(folders.calls[2].title, "2.コピー先のディレクトリを指定してください(ダブルクリック)");
    EXPECT_EQ(folders.calls[4].title, "除外するディレクトリを入力します");
    EXPECT_EQ(folders.calls[4].initialFolder, "/ex/a");
}
