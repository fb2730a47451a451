#include "ui/MessageListDialog.h"
#include "settings/IniFile.h"
#include "ui/LineListView.h"
#include "ui/MessageLines.h"
#include "ui/Pickers.h"

#include "ScriptedMessageBox.h"
#include "ScriptedPickers.h"
#include "TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QString>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;
using test::ReadFile;

namespace {

class MessageListDialogTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    IniFile ini{dir / "Hozonix.ini"};
    test::ScriptedMessageBox messages;
    test::ScriptedFileDialogs files;
    test::ScriptedFolderBrowser folders;
    Pickers pickers{files, folders};
    MessageListOwner owner{ini, messages, pickers, FallbackRect(1024, 768)};

    MessageListDialog& Show(const std::vector<std::string>& lines,
                            const std::string& title = "更新済みファイル一覧") {
        owner.ShowMessageList(title, lines);
        return *owner.Dialog();
    }
    // Saves through the menu item, so errors take the way a person's click takes.
    std::string SaveWith(QAction* item, const std::string& name) {
        files.answers.push_back(dir / name);
        item->trigger();
        return ReadFile(dir / name);
    }
};

} // namespace

TEST(MessageLines, BoxTextRoundTripsEveryListOfLines) {
    const std::vector<std::vector<std::string>> lists = {
        {}, {""}, {"", ""}, {"a", ""}, {"/a b.txt", "/c.txt"}, {"日本語", "", "末尾"}};
    for (const auto& lines : lists)
        EXPECT_EQ(LinesOfText(TextOfLines(lines)), lines) << TextOfLines(lines).toStdString();
    // What a person types: the last line needs no line break after it.
    EXPECT_EQ(LinesOfText("a\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(LinesOfText(""), std::vector<std::string>{});
}

TEST_F(MessageListDialogTest, OneWindowWhoseTitleAndLinesAreReplacedAtEveryCall) {
    std::vector<std::string> updated{"/src/a.txt", "/src/b.txt"};
    MessageListDialog& first = Show(updated);
    updated.push_back("/src/late.txt");
    EXPECT_EQ(first.Lines(), (std::vector<std::string>{"/src/a.txt", "/src/b.txt"}));
    EXPECT_TRUE(first.isVisible());
    first.CloseButton()->click();
    EXPECT_FALSE(first.isVisible());

    MessageListDialog& second = Show({"/src/c.txt"}, "更新に失敗したファイルの一覧");
    EXPECT_EQ(&second, &first);
    EXPECT_TRUE(second.isVisible());
    EXPECT_EQ(second.windowTitle().toStdString(), "更新に失敗したファイルの一覧");
    EXPECT_EQ(second.Lines(), std::vector<std::string>{"/src/c.txt"});
}

TEST_F(MessageListDialogTest, PlacementIsRestoredOnTheFirstActivationOnly) {
    // Within the 800 x 600 test screen: a placement past its edge would be brought onto it.
    ini.WriteIniString("LAST_Position", "ErrListDlg", "150,100,600,400");
    MessageListDialog& dlg = Show({"a"});
    QApplication::setActiveWindow(&dlg);
    QApplication::processEvents();
    ASSERT_TRUE(dlg.PlacementRestored());
    EXPECT_EQ(dlg.pos(), QPoint(150, 100));
    EXPECT_EQ(dlg.size(), QSize(600, 400));

    dlg.move(50, 60);
    dlg.hide();
    Show({"b"});
    QApplication::setActiveWindow(&dlg);
    QApplication::processEvents();
    EXPECT_EQ(dlg.pos(), QPoint(50, 60));
}

TEST_F(MessageListDialogTest, PlacementIsStoredWhenTheWindowIsDestroyed) {
    {
        MessageListOwner another(ini, messages, pickers, FallbackRect(1024, 768));
        another.ShowMessageList("t", {"a"});
        another.Dialog()->move(70, 80);
        another.Dialog()->resize(500, 300);
    }
    EXPECT_EQ(ini.ReadIniString("LAST_Position", "ErrListDlg"), "70,80,500,300");
}

TEST_F(MessageListDialogTest, SavesWithAndWithoutLineBreaks) {
    struct Case {
        std::vector<std::string> lines;
        const char* withBreaks;
        const char* commaText;
    } cases[] = {
        {{"/a b.txt", "/c.txt"}, "/a b.txt\r\n/c.txt\r\n", "\"/a b.txt\",/c.txt\r\n"},
        {{"say \"hi\"", "x,y"}, "say \"hi\"\r\nx,y\r\n", "\"say \"\"hi\"\"\",\"x,y\"\r\n"},
        {{"tab\there", "ok"}, "tab\there\r\nok\r\n", "\"tab\there\",ok\r\n"},
        {{"日本語ファイル.txt", "表示"}, "日本語ファイル.txt\r\n表示\r\n", "日本語ファイル.txt,表示\r\n"},
        {{"no\u00a0break.txt"}, "no\u00a0break.txt\r\n", "no\u00a0break.txt\r\n"},
        {{""}, "\r\n", "\"\"\r\n"},
        {{"", ""}, "\r\n\r\n", ",\r\n"}, // only a single empty line is written as ""
    };
    int n = 0;
    for (const Case& c : cases) {
        MessageListDialog& dlg = Show(c.lines);
        ++n;
        EXPECT_EQ(SaveWith(dlg.SaveWithLineBreaksItem(), "n1-" + std::to_string(n) + ".TXT"), c.withBreaks)
            << n;
        EXPECT_EQ(SaveWith(dlg.SaveAsCommaTextItem(), "n2-" + std::to_string(n) + ".TXT"), c.commaText) << n;
    }
    ASSERT_FALSE(files.calls.empty());
    const FileDialogSettings& asked = files.calls.front().settings;
    EXPECT_EQ(files.calls.front().kind, FileDialogKind::Save);
    EXPECT_EQ(asked.Title, "メッセージの保存");
    EXPECT_EQ(asked.DefaultExt, "TXT");
    EXPECT_EQ(asked.Filter, "ファイル (*.TXT)|*.TXT");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MessageListDialogTest, SavingNothingAsksNothingAndCancelWritesNothing) {
    MessageListDialog& dlg = Show({});
    dlg.SaveWithLineBreaksItem()->trigger();
    dlg.SaveAsCommaTextItem()->trigger();
    EXPECT_TRUE(files.calls.empty());

    Show({"a"});
    dlg.SaveWithLineBreaksItem()->trigger(); // the script is empty: the dialog is cancelled
    EXPECT_EQ(files.calls.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MessageListDialogTest, EditedLinesAreSavedAndAnExistingFileIsReplacedWithoutAQuestion) {
    test::WriteFile(dir / "old.TXT", "old content that is longer than the new one\r\n");
    MessageListDialog& dlg = Show({"first"});
    dlg.TextBox()->setPlainText("edited\n二行目");
    EXPECT_EQ(SaveWith(dlg.SaveWithLineBreaksItem(), "old.TXT"), "edited\r\n二行目\r\n");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MessageListDialogTest, AFailedSaveIsShownAndKeepsWhatWasThere) {
    MessageListDialog& dlg = Show({"a"});
    files.answers.push_back(dir / "missing/folder/x.TXT");
    dlg.SaveWithLineBreaksItem()->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Plain);
    EXPECT_NE(messages.shown[0].text.find("missing/folder/x.TXT"), std::string::npos);

    // A folder of that name cannot be replaced by the file: it stays with its content.
    std::filesystem::create_directory(dir / "taken.TXT");
    test::WriteFile(dir / "taken.TXT/inside", "kept");
    files.answers.push_back(dir / "taken.TXT");
    dlg.SaveAsCommaTextItem()->trigger();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(ReadFile(dir / "taken.TXT/inside"), "kept");
}

TEST_F(MessageListDialogTest, CopiesToTheClipboardWithLineBreaksOrCommasNeverQuoted) {
    MessageListDialog& dlg = Show({"/a b.txt", "/c.txt", "日本\"語\""});
    dlg.CopyWithLineBreaksItem()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "/a b.txt\r\n/c.txt\r\n日本\"語\"");
    dlg.CopyWithCommasItem()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "/a b.txt,/c.txt,日本\"語\"");

    Show({});
    dlg.CopyWithLineBreaksItem()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "");
}

TEST_F(MessageListDialogTest, PrintButtonIsShownDisabledUntilAReportIsPluggedIn) {
    MessageListDialog& dlg = Show({"a", "b"}, "ネットワーク情報");
    EXPECT_TRUE(dlg.PrintButton()->isVisible());
    EXPECT_FALSE(dlg.PrintButton()->isEnabled());
    EXPECT_EQ(dlg.PrintButton()->text().toStdString(), "印刷");

    std::string printedTitle;
    engine::PathList printedLines;
    owner.SetPrintHandler([&](const std::string& title, const engine::PathList& lines) {
        printedTitle = title;
        printedLines = lines;
    });
    ASSERT_TRUE(dlg.PrintButton()->isEnabled());
    dlg.TextBox()->setPlainText("a\nb\nc");
    dlg.PrintButton()->click();
    EXPECT_EQ(printedTitle, "ネットワーク情報");
    EXPECT_EQ(printedLines, (engine::PathList{"a", "b", "c"}));
}

TEST(LineStore, EditsKeepTheOrderAndTheUntouchedLinesAndCopiesShareNothing) {
    engine::PathList paths;
    for (int i = 0; i < 40; ++i)
        paths.push_back("/src/f" + std::to_string(i));
    engine::PathList copy = paths;
    paths.push_back("/after-the-copy");
    EXPECT_EQ(copy.size(), 40u);
    EXPECT_EQ(copy[39], "/src/f39");

    LineStore store(std::move(copy));
    store.Replace(1, "日本語");
    store.Remove(2, 30);                 // f2..f31
    store.Insert(0, {"top", ""});        // before f0
    store.Insert(store.size(), {"end"}); // appended
    store.Remove(store.size() + 5, 3);   // beyond the end: nothing
    std::vector<std::string> expected = {"top", "", "/src/f0", "日本語"};
    for (int i = 32; i < 40; ++i)
        expected.push_back("/src/f" + std::to_string(i));
    expected.push_back("end");
    EXPECT_EQ(store.ToVector(), expected);
    EXPECT_EQ(store[3], "日本語");
    EXPECT_EQ(CellsOf("日本語a"), 7u);
    EXPECT_EQ(store.WidestLine(), 8u); // "/src/f39"
    // A pasted line longer than any path is kept whole.
    store.Replace(0, std::string(70000, 'x'));
    EXPECT_EQ(store[0].size(), 70000u);
}

TEST_F(MessageListDialogTest, ALongListOpensInTheRowViewEditsLineByLineAndIsLetGoOnClose) {
    engine::PathList paths;
    const std::size_t count = MessageListDialog::LongListLines + 5;
    for (std::size_t i = 0; i < count; ++i)
        paths.push_back("/home/user/ドキュメント/f" + std::to_string(i));
    owner.ShowPathList("更新済みファイル一覧", paths);
    MessageListDialog& dlg = *owner.Dialog();
    ASSERT_TRUE(dlg.ShowsLongList());
    EXPECT_TRUE(dlg.TextBox()->isHidden());
    LineListView& view = *dlg.LongListView();
    LineListModel& model = view.Model();
    ASSERT_EQ(model.rowCount(), static_cast<int>(count));
    EXPECT_EQ(model.data(model.index(7, 0), Qt::DisplayRole).toString().toStdString(),
              "/home/user/ドキュメント/f7");

    // Edit a line in place, delete two ranges with the Delete key, paste two lines above row 1.
    model.setData(model.index(0, 0), QStringLiteral("編集済み"), Qt::EditRole);
    view.selectionModel()->select(QItemSelection(model.index(2, 0), model.index(4, 0)),
                                  QItemSelectionModel::Select);
    view.selectionModel()->select(QItemSelection(model.index(4, 0), model.index(5, 0)),
                                  QItemSelectionModel::Select); // overlaps the first range
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&view, &del);
    view.setCurrentIndex(model.index(1, 0));
    QGuiApplication::clipboard()->setText("貼り付け1\n貼り付け2\n");
    dlg.findChild<QMenu*>("Edit_Popup")->actions().at(1)->trigger();

    const std::vector<std::string> lines = dlg.Lines();
    ASSERT_EQ(lines.size(), count - 4 + 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              (std::vector<std::string>{"編集済み", "貼り付け1", "貼り付け2", "/home/user/ドキュメント/f1",
                                        "/home/user/ドキュメント/f6"}));
    EXPECT_EQ(lines.back(), "/home/user/ドキュメント/f" + std::to_string(count - 1));
    const std::string saved = SaveWith(dlg.SaveWithLineBreaksItem(), "long.TXT");
    const std::string head = "編集済み\r\n貼り付け1\r\n貼り付け2\r\n/home";
    EXPECT_EQ(saved.substr(0, head.size()), head);

    // A short list goes back to the text box; closing lets go of whatever is shown.
    owner.ShowMessageList("更新に失敗したファイルの一覧", std::vector<std::string>{"/a"});
    EXPECT_FALSE(dlg.ShowsLongList());
    EXPECT_EQ(model.rowCount(), 0);
    owner.ShowPathList("更新済みファイル一覧", paths);
    dlg.close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(dlg.Lines().empty());
}

TEST_F(MessageListDialogTest, TwoHundredThousandLinesOpenWithoutHoldingUpTheEventLoop) {
    engine::PathList paths;
    for (int i = 0; i < 200000; ++i)
        paths.push_back("/home/user/プロジェクト/d" + std::to_string(i / 200) + "/資料_" + std::to_string(i) +
                        ".txt");
    // The longest stretch between the ticks of a 5 ms timer, from the call until things settle. A text
    // box takes seconds here; the bound is generous for slow, instrumented builds.
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    owner.ShowPathList("更新済みファイル一覧", std::move(paths));
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ticker.stop();
    EXPECT_TRUE(owner.Dialog()->ShowsLongList());
    EXPECT_EQ(owner.Dialog()->LongListView()->Model().rowCount(), 200000);
    EXPECT_LT(longest, 1500) << "the event loop waited " << longest << " ms";
    std::printf("longest wait for events: %lld ms\n", static_cast<long long>(longest));
}
