#include "netinfo/LoginDialog.h"
#include "netinfo/NetCommands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace hozonix::test {
namespace {

using netinfo::LoginDialog;

TEST(LoginDialog, ShowLoginTestShowsTheDialogWithItsCaptionAndNoDatabase) {
    int shownCount = 0;
    netinfo::ShowLoginTest(nullptr, [&](QDialog& dialog) {
        ++shownCount;
        auto& login = dynamic_cast<LoginDialog&>(dialog);
        EXPECT_EQ(login.windowTitle(), "ログイン画面");
        EXPECT_TRUE(login.DatabaseName()->text().isEmpty());
        EXPECT_TRUE(login.isModal() || !login.isVisible());
    });
    EXPECT_EQ(shownCount, 1);
}

TEST(LoginDialog, IsPlacedInTheMiddleOfTheScreen) {
    // Before it is shown, where the window system's frame cannot move it yet.
    LoginDialog dialog;
    QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((dialog.geometry().center() - middle).manhattanLength(), 1) << dialog.x() << "," << dialog.y();
}

TEST(LoginDialog, LayoutLimitsAndMaskedPassword) {
    LoginDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(dialog.size(), QSize(272, 136));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    QStringList labels;
    for (QLabel* l : dialog.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains("データベース :"));
    EXPECT_TRUE(labels.contains("ユーザー名(&U):"));
    EXPECT_TRUE(labels.contains("パスワード(&P):"));
    for (QLabel* l : dialog.findChildren<QLabel*>()) {
        if (l->text() == "ユーザー名(&U):") {
            EXPECT_EQ(l->buddy(), dialog.UserNameEdit());
        }
        if (l->text() == "パスワード(&P):") {
            EXPECT_EQ(l->buddy(), dialog.PasswordEdit());
        }
    }

    EXPECT_EQ(QApplication::focusWidget(), dialog.PasswordEdit());

    const QString typed = "abcdefghijklmnopqrstuvwxyz0123456789"; // 36 characters
    for (QLineEdit* edit : {dialog.UserNameEdit(), dialog.PasswordEdit()}) {
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        EXPECT_EQ(edit->text(), typed.left(31));
    }
    EXPECT_EQ(dialog.UserNameEdit()->displayText(), typed.left(31));
    EXPECT_EQ(dialog.PasswordEdit()->displayText(), QString(31, '*'));

    EXPECT_EQ(dialog.OkButton()->text(), "OK(&O)");
    EXPECT_EQ(dialog.CancelButton()->text(), "キャンセル");
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    EXPECT_FALSE(dialog.CancelButton()->isDefault());
}

TEST(LoginDialog, EnterAcceptsAndEscapeCancels) {
    for (auto [key, result] :
         {std::pair{Qt::Key_Return, QDialog::Accepted}, std::pair{Qt::Key_Escape, QDialog::Rejected}}) {
        LoginDialog dialog;
        dialog.setResult(-1);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.PasswordEdit(), key);
        EXPECT_EQ(dialog.result(), result);
    }
}

TEST(LogOn, OpensTheFolderBrowserAtTheMouseWithItsTitle) {
    int calls = 0;
    netinfo::BrowseToLogOn([&](const std::string& title, const std::string& initial, const QPoint& at) {
        ++calls;
        EXPECT_EQ(title, "ネットワークリソースにログオンしてください");
        EXPECT_EQ(initial, "");
        EXPECT_EQ(at, QCursor::pos());
        return std::string("/mnt/share");
    });
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace hozonix::test
