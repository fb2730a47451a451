#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "settings/StoredDateTime.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/QtMessageBoxService.h"

#include "ScriptedMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

// The button texts from left to right as the box shows them.
std::vector<std::string> ButtonTexts(const BuiltMessageBox& built) {
    built.box->show();
    QList<QAbstractButton*> buttons = built.box->buttons();
    std::sort(buttons.begin(), buttons.end(),
              [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
    std::vector<std::string> texts;
    for (QAbstractButton* b : buttons)
        texts.push_back(b->text().toStdString());
    return texts;
}

} // namespace

TEST(QtMessageBox, TitlesIconsAndLineBreaks) {
    struct Case {
        MessageKind kind;
        const char* title;
        QMessageBox::Icon icon;
    } cases[] = {{MessageKind::Plain, "Hozonix", QMessageBox::NoIcon},
                 {MessageKind::Confirmation, "確認", QMessageBox::Question},
                 {MessageKind::Warning, "警告", QMessageBox::Warning},
                 {MessageKind::Information, "Hozonix", QMessageBox::Information}};
    for (const Case& c : cases) {
        BuiltMessageBox built =
            BuildMessageBox(c.kind, "続けますか？\r\n/a/b.txt", OkButton, "Hozonix", nullptr);
        EXPECT_EQ(built.box->windowTitle().toStdString(), c.title);
        EXPECT_EQ(built.box->icon(), c.icon);
        EXPECT_EQ(built.box->text().toStdString(), "続けますか？\n/a/b.txt");
    }
}

TEST(QtMessageBox, ButtonTextsAndTheirAnswers) {
    const unsigned all = YesButton | NoButton | CancelButton | NoToAllButton;
    struct Case {
        const char* text;
        MessageButton answer;
    } cases[] = {{"はい(&Y)", MessageButton::Yes},
                 {"いいえ(&N)", MessageButton::No},
                 {"キャンセル", MessageButton::Cancel},
                 {"すべていいえ(&O)", MessageButton::NoToAll}};
    EXPECT_EQ(ButtonTexts(BuildMessageBox(MessageKind::Warning, "x", all, "H", nullptr)),
              (std::vector<std::string>{"はい(&Y)", "いいえ(&N)", "キャンセル", "すべていいえ(&O)"}));
    EXPECT_EQ(ButtonTexts(BuildMessageBox(MessageKind::Warning, "x", YesButton | CancelButton | NoToAllButton,
                                          "H", nullptr)),
              (std::vector<std::string>{"はい(&Y)", "キャンセル", "すべていいえ(&O)"}));

    for (const Case& c : cases) {
        BuiltMessageBox built = BuildMessageBox(MessageKind::Warning, "x", all, "H", nullptr);
        built.box->show();
        for (QAbstractButton* b : built.box->buttons()) {
            if (b->text() == QString::fromUtf8(c.text))
                b->click();
        }
        EXPECT_EQ(built.Answer(), c.answer) << c.text;
        EXPECT_FALSE(built.box->isVisible()) << c.text;
    }
    EXPECT_EQ(ButtonTexts(BuildMessageBox(MessageKind::Plain, "x", OkButton, "H", nullptr)),
              std::vector<std::string>{"OK"});
}

TEST(QtMessageBox, EscapeAndCloseBoxAnswerCancelElseNoElseOk) {
    struct Case {
        unsigned buttons;
        MessageButton expected;
    } cases[] = {{YesButton | CancelButton, MessageButton::Cancel},
                 {YesButton | CancelButton | NoToAllButton, MessageButton::Cancel},
                 {YesButton | NoButton, MessageButton::No},
                 {OkButton, MessageButton::Ok}};
    for (const Case& c : cases) {
        BuiltMessageBox byKey = BuildMessageBox(MessageKind::Confirmation, "x", c.buttons, "H", nullptr);
        byKey.box->show();
        QTest::keyClick(byKey.box.get(), Qt::Key_Escape);
        EXPECT_EQ(byKey.Answer(), c.expected) << c.buttons;

        BuiltMessageBox byClose = BuildMessageBox(MessageKind::Confirmation, "x", c.buttons, "H", nullptr);
        byClose.box->show();
        byClose.box->close();
        EXPECT_FALSE(byClose.box->isVisible());
        EXPECT_EQ(byClose.Answer(), c.expected) << c.buttons;
    }
}

TEST(DefaultErrorHandler, ShowsTheMessageOfAnErrorAndGoesOn) {
    test::ScriptedMessageBox messages;
    bool ran = false;
    RunCommand(messages, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(messages.shown.empty());

    RunCommand(messages, [] { throw AppError("Cannot open file /a/b"); });
    RunCommand(messages, [] { throw 42; });
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Plain);
    EXPECT_EQ(messages.shown[0].text, "Cannot open file /a/b");
    EXPECT_EQ(messages.shown[0].buttons, unsigned(OkButton));
    EXPECT_EQ(messages.shown[1].text, "原因不明のエラーが発生しました");
}

TEST(DefaultErrorHandler, WordsFileErrorsAndStoredTimesInJapaneseWithTheSystemsReason) {
    struct Case {
        std::function<void()> fail;
        std::string shown;
    };
    const std::string noFile = std::strerror(ENOENT);
    const std::vector<Case> cases = {
        {[] { ThrowFileError(FileAction::Write, "/a/b c.TXT", ENOENT); },
         "ファイルに保存できません\r\n/a/b c.TXT [" + noFile + "]"},
        {[] { ThrowFileError(FileAction::Read, "/a/x.ini", EISDIR); },
         "ファイルを読み込めません\r\n/a/x.ini [" + std::string(std::strerror(EISDIR)) + "]"},
        {[] { ThrowFileError(FileAction::Read, "/dev/zero", kNotRegularFile); },
         "ファイルを読み込めません\r\n/dev/zero [通常のファイルではありません]"},
        {[] { ThrowFileError(FileAction::MakeFolder, "/ro/DIC", EROFS); },
         "フォルダを作成できません\r\n/ro/DIC [" + std::string(std::strerror(EROFS)) + "]"},
        {[] { ChooseDateLimit("12/31/2026 1:00 PM", false, 0); },
         "'12/31/2026 1:00 PM' は正しい日付と時刻ではありません"},
        {[] { throw std::bad_alloc(); }, "メモリが不足しています"},
    };
    for (const Case& c : cases) {
        test::ScriptedMessageBox messages;
        RunCommand(messages, c.fail);
        ASSERT_EQ(messages.shown.size(), 1u) << c.shown;
        EXPECT_EQ(messages.shown[0].text, c.shown);
    }

    // The runner words the same errors in English, as before.
    try {
        ThrowFileError(FileAction::Write, "/a/b", ENOENT);
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()), "/a/b: " + noFile);
    }
}
