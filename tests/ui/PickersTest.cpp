#include "ui/Pickers.h"
#include "ui/QtFileDialogs.h"

#include "ScriptedPickers.h"
#include "TempFolder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

class PickersTest : public ::testing::Test {
protected:
    test::ScriptedFileDialogs files;
    test::ScriptedFolderBrowser folders;
    Pickers pickers{files, folders};
};

} // namespace

TEST_F(PickersTest, TheSaveDialogOffersThePathChosenLastToEveryCaller) {
    files.answers = {"/home/u/messages.TXT", "/home/u/report.REP"};
    EXPECT_EQ(pickers.AskSaveFileName("メッセージの保存", "", "TXT", "ファイル (*.TXT)|*.TXT"),
              "/home/u/messages.TXT");
    EXPECT_EQ(pickers.AskSaveFileName("レポートを保存", "", "REP", "レポート (*.REP)|*.REP"),
              "/home/u/report.REP");
    ASSERT_EQ(files.calls.size(), 2u);
    EXPECT_EQ(files.calls[0].settings.FileName, "");
    const FileDialogSettings& second = files.calls[1].settings;
    EXPECT_EQ(second.FileName, "/home/u/messages.TXT");
    EXPECT_EQ(second.Title, "レポートを保存");
    EXPECT_EQ(second.DefaultExt, "REP");
    EXPECT_EQ(second.Filter, "レポート (*.REP)|*.REP");

    // Cancelled: empty result, and the last chosen path is still offered.
    EXPECT_EQ(pickers.AskSaveFileName("メッセージの保存", "", "", "ファイル (*.TXT)|*.TXT"), "");
    EXPECT_EQ(files.calls[2].settings.FileName, "/home/u/report.REP");
    EXPECT_EQ(files.calls[2].settings.DefaultExt, "REP"); // an empty extension keeps the previous one

    // The open dialog is a dialog of its own.
    files.answers = {"/r/a.REP"};
    EXPECT_EQ(pickers.AskOpenFileName("レポートを開く", "", "REP", "レポート (*.REP)|*.REP"), "/r/a.REP");
    EXPECT_EQ(files.calls[3].kind, FileDialogKind::Open);
    EXPECT_EQ(files.calls[3].settings.FileName, "");
    EXPECT_EQ(pickers.Current(FileDialogKind::Save).FileName, "/home/u/report.REP");
}

TEST_F(PickersTest, InitialPathSetsOnlyTheFolderAndNameItHolds) {
    struct Case {
        const char* initialPath;
        const char* folder;
        const char* name;
    } cases[] = {
        {"/home/u/list.TXT", "/home/u", "list.TXT"},
        {"/data/", "/data", "list.TXT"},     // no name part: the previous name stays
        {"other.TXT", "/data", "other.TXT"}, // no folder part: the previous folder stays
        {"/top.TXT", "/", "top.TXT"},
        {"", "/", "top.TXT"},
    };
    for (const Case& c : cases) {
        pickers.AskOpenFileName("t", c.initialPath, "", "");
        const FileDialogSettings& s = files.calls.back().settings;
        EXPECT_EQ(s.InitialFolder, c.folder) << c.initialPath;
        EXPECT_EQ(s.FileName, c.name) << c.initialPath;
    }
}

TEST_F(PickersTest, SelectFolderGivesThePathOnlyWhenConfirmed) {
    std::string folder = "stale";
    EXPECT_FALSE(pickers.SelectFolder("ネットワークリソースにログオンしてください", "", 10, 20, folder));
    EXPECT_EQ(folder, "");
    folders.answers = {"/mnt/share"};
    EXPECT_TRUE(pickers.SelectFolder("コピー元", "/home", 10, 20, folder));
    EXPECT_EQ(folder, "/mnt/share");
    EXPECT_EQ(folders.calls[1].initialFolder, "/home");
    EXPECT_EQ(folders.calls[1].x, 10);
    EXPECT_EQ(folders.calls[1].y, 20);
}

TEST(FileSizeOf, FilesFoldersMissingPathsAndSizesBeyond4GiB) {
    test::TempFolder dir;
    test::WriteFile(dir / "small.txt", "12345");
    test::WriteFile(dir / "empty.txt", "");
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_symlink(dir / "small.txt", dir / "link");
    std::filesystem::create_symlink(dir / "gone", dir / "dangling");

    // Sparse: takes no disk space.
    const std::int64_t big = (std::int64_t{5} << 30) + 7;
    int fd = open((dir / "big.bin").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, big), 0);
    close(fd);

    struct Case {
        std::string path;
        std::int64_t size;
    } cases[] = {{dir / "small.txt", 5}, {dir / "empty.txt", 0}, {dir / "sub", 0},       {dir / "link", 5},
                 {dir / "dangling", 0},  {dir / "missing", -1},  {dir / "big.bin", big}, {"", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(FileSizeOf(c.path), c.size) << c.path;
}

TEST(QtFileDialogs, FilterTextBecomesNameFilters) {
    struct Case {
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"ファイル (*.TXT)|*.TXT", {"ファイル (*.TXT)"}},
        {"レポート|*.REP", {"レポート (*.REP)"}},
        {"テキスト|*.TXT;*.LOG|すべて (*.*)|*.*", {"テキスト (*.TXT *.LOG)", "すべて (*.*)"}},
        {"", {}},
        {"説明だけ", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameFiltersOf(c.filter), c.expected) << c.filter;
}

TEST(QtFileDialogs, ConfiguredDialogNeitherInsistsNorAsksAndOffersTheFile) {
    test::TempFolder dir;
    FileDialogSettings s{"メッセージの保存", "TXT", dir.Path(), "list.TXT",
                         "ファイル (*.TXT)|*.TXT|すべて|*"};
    QFileDialog save;
    ConfigureFileDialog(save, FileDialogKind::Save, s);
    EXPECT_EQ(save.windowTitle().toStdString(), "メッセージの保存");
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save.fileMode(), QFileDialog::AnyFile);
    EXPECT_TRUE(save.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_TRUE(save.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(save.defaultSuffix().toStdString(), "TXT");
    EXPECT_EQ(save.selectedNameFilter().toStdString(), "ファイル (*.TXT)");
    ASSERT_EQ(save.selectedFiles().size(), 1);
    EXPECT_EQ(save.selectedFiles().first().toStdString(), dir / "list.TXT");

    // A full path offered again lands in its own folder, whatever folder was set before.
    std::filesystem::create_directory(dir / "sub");
    QFileDialog open;
    ConfigureFileDialog(open, FileDialogKind::Open, {"開く", "", dir.Path(), dir / "sub/a.REP", ""});
    EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open.fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(open.selectedFiles().first().toStdString(), dir / "sub/a.REP");
}

TEST(QtFileDialogs, TheFirstUseWithoutAFolderOpensAtHomeNotWhereTheProgramStarted) {
    test::TempFolder dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    QFileDialog first, later;
    ConfigureFileDialog(first, FileDialogKind::Open, {"開く", "", "", "", ""}, true);
    ConfigureFileDialog(later, FileDialogKind::Open, {"開く", "", "", "", ""});
    std::filesystem::current_path(before);
    EXPECT_EQ(first.directory().absolutePath(), QDir::homePath());
    EXPECT_NE(later.directory().absolutePath(), QDir::homePath()); // left where it was
}

TEST(QtFileDialogs, OnceAFolderIsInItsColumnsShowWhatTheyHoldAndNamesTakeTheRest) {
    test::TempFolder dir;
    test::WriteFile(dir / "とても長い名前のファイル_とても長い名前のファイル.TXT", "x");
    QFileDialog dialog;
    dialog.resize(900, 500);
    ConfigureFileDialog(dialog, FileDialogKind::Open, {"開く", "", dir.Path(), "", ""});
    dialog.setViewMode(QFileDialog::Detail);
    auto* details = dialog.findChild<QTreeView*>("treeView");
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_TRUE(details != nullptr && model != nullptr);
    QHeaderView* header = details->header();
    for (int column = 1; column < header->count(); ++column)
        header->resizeSection(column, 12); // as a restored state may leave them
    FitColumnHeaders(dialog);
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    dialog.show();
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(5000));
    QCoreApplication::processEvents();
    int total = 0;
    for (int column = 0; column < header->count(); ++column) {
        if (column > 0 && !header->isSectionHidden(column)) {
            EXPECT_GE(header->sectionSize(column),
                      static_cast<QAbstractItemView*>(details)->sizeHintForColumn(column))
                << column;
        }
        total += header->isSectionHidden(column) ? 0 : header->sectionSize(column);
    }
    EXPECT_GE(total, details->viewport()->width()); // no space left empty beside cut columns
    dialog.hide();
}

TEST(QtFileDialogs, NoColumnHeaderOfTheDetailsViewIsCutShort) {
    QFileDialog dialog;
    ConfigureFileDialog(dialog, FileDialogKind::Save,
                        {"メッセージの保存", "TXT", "", "", "ファイル (*.TXT)|*.TXT"});
    auto* details = dialog.findChild<QTreeView*>("treeView");
    ASSERT_NE(details, nullptr);
    QHeaderView* header = details->header();
    ASSERT_GE(header->count(), 4);
    // As a restored state may leave them: too narrow for their headers.
    for (int column = 0; column < header->count(); ++column)
        header->resizeSection(column, 12);
    FitColumnHeaders(dialog);
    for (int column = 0; column < header->count(); ++column) {
        const QString text = details->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(text)) << column;
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    }
}

TEST(QtFileDialogs, NoCompletionListIsLeftBehindWhenTheDialogCloses) {
    test::TempFolder dir;
    test::WriteFile(dir / "report1.TXT", "x");
    test::WriteFile(dir / "report2.TXT", "x");
    for (bool accept : {true, false}) {
        QFileDialog dialog;
        ConfigureFileDialog(dialog, FileDialogKind::Save, {"メッセージの保存", "TXT", dir.Path(), "", ""});
        HideCompletionWhenClosed(dialog);
        dialog.show();
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_TRUE(name != nullptr && name->completer() != nullptr);
        QAbstractItemView* list = name->completer()->popup();
        QApplication::setActiveWindow(&dialog);
        name->setFocus();
        // Typed again until the folder is read and the list offers the names that begin so.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                name->clear();
                QTest::keyClicks(name, QStringLiteral("rep"));
                return list->isVisible();
            },
            5000));
        static_cast<QDialog&>(dialog).done(accept ? QDialog::Accepted : QDialog::Rejected);
        QCoreApplication::processEvents();
        EXPECT_FALSE(list->isVisible()) << accept;
    }
}
