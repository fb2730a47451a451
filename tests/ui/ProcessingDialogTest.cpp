#include "ui/ProcessingDialog.h"
#include "settings/IniFile.h"
#include "ui/CopyAnimation.h"
#include "ui/ScreenCursor.h"

#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

class ProcessingDialogTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    IniFile ini{dir / "Hozonix.ini"};
    test::ScriptedMessageBox messages;
    const Rect fallback = FallbackRect(1024, 768);
};

struct Shown {
    std::string upper, lower;
    int bar;
};

Shown ShownBy(const ProcessingDialog& dlg) {
    return {dlg.UpperText()->toPlainText().toStdString(), dlg.LowerText()->toPlainText().toStdString(),
            dlg.ProgressBar()->value()};
}

} // namespace

TEST_F(ProcessingDialogTest, UpdatesBeforeTheFirstShowingChangeNothing) {
    ProcessingDialogOwner owner(ini, messages, fallback);
    owner.UpdateProcessDialog(50, "upper", "lower");
    owner.HideProcessDialog();
    EXPECT_EQ(owner.Dialog(), nullptr);
}

TEST_F(ProcessingDialogTest, EmptyTextsLeaveTheirAreaAndTheBarAlwaysMoves) {
    ProcessingDialogOwner owner(ini, messages, fallback);
    owner.ShowProcessDialog("");
    ASSERT_NE(owner.Dialog(), nullptr);
    struct Step {
        int position;
        const char* upper;
        const char* lower;
        Shown expected;
    } steps[] = {
        {1, "検査中 /src/a.txt", "10.0% 1/10", {"検査中 /src/a.txt", "10.0% 1/10", 1}},
        {20, "", "", {"検査中 /src/a.txt", "10.0% 1/10", 20}},
        {30, "コピー中 /src/b.txt", "", {"コピー中 /src/b.txt", "10.0% 1/10", 30}},
        {40, "", "40.0% 4/10", {"コピー中 /src/b.txt", "40.0% 4/10", 40}},
        {0, "", "", {"コピー中 /src/b.txt", "40.0% 4/10", 0}},
        {250, "", "", {"コピー中 /src/b.txt", "40.0% 4/10", 100}},
    };
    for (const Step& s : steps) {
        owner.UpdateProcessDialog(s.position, s.upper, s.lower);
        Shown got = ShownBy(*owner.Dialog());
        EXPECT_EQ(got.upper, s.expected.upper) << s.position;
        EXPECT_EQ(got.lower, s.expected.lower) << s.position;
        EXPECT_EQ(got.bar, s.expected.bar) << s.position;
    }
}

TEST_F(ProcessingDialogTest, AbortAndTheCloseButtonAskTheRunToStopAndANewRunStartsBlank) {
    ProcessingDialogOwner owner(ini, messages, fallback);
    int aborts = 0;
    owner.SetAbortHandler([&] { ++aborts; });
    owner.ShowProcessDialog("コピー");
    ProcessingDialog* dlg = owner.Dialog();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->windowTitle().toStdString(), "コピー");
    EXPECT_EQ(dlg->AbortButton()->text().toStdString(), "中止");
    EXPECT_TRUE(dlg->AbortButton()->isDefault());

    // Esc neither aborts nor hides: the run would go on unseen.
    QTest::keyClick(dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(aborts, 0);

    dlg->AbortButton()->click();
    EXPECT_EQ(aborts, 1);
    EXPECT_FALSE(dlg->isVisible());

    // The window manager's close button is 中止 as well.
    owner.ShowProcessDialog("");
    EXPECT_EQ(owner.Dialog(), dlg);
    dlg->close();
    EXPECT_EQ(aborts, 2);
    EXPECT_FALSE(dlg->isVisible());

    // Hidden, the texts stay until the next run clears them.
    owner.UpdateProcessDialog(57, "残る", "/src/a.txt");
    EXPECT_EQ(ShownBy(*dlg).upper, "残る");
    owner.ClearProcessDialog();
    EXPECT_EQ(ShownBy(*dlg).upper, "");
    EXPECT_EQ(ShownBy(*dlg).lower, "");
    EXPECT_EQ(ShownBy(*dlg).bar, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ProcessingDialogTest, AbortButtonFocusBringsTheDefaultPointerBack) {
    ProcessingDialogOwner owner(ini, messages, fallback);
    owner.ShowProcessDialog("");
    SetScreenCursorBusy(true);
    SetScreenCursorBusy(true);
    ASSERT_TRUE(ScreenCursorIsBusy());
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(owner.Dialog()->AbortButton(), &focusIn);
    EXPECT_FALSE(ScreenCursorIsBusy());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ProcessingDialogTest, AnimationPlaysOnlyWhileShown) {
    ProcessingDialogOwner owner(ini, messages, fallback);
    owner.ShowProcessDialog("");
    CopyAnimation* animation = owner.Dialog()->Animation();
    EXPECT_TRUE(animation->IsPlaying());
    QTest::qWait(200);
    EXPECT_GT(animation->Frame(), 0);
    owner.HideProcessDialog();
    EXPECT_FALSE(animation->IsPlaying());
}

TEST_F(ProcessingDialogTest, FallbackPlacementFirstThenTheStoredOneAtTheNextStart) {
    {
        ProcessingDialogOwner owner(ini, messages, fallback);
        owner.ShowProcessDialog("");
        ProcessingDialog* dlg = owner.Dialog();
        // Nothing stored: only Top follows the fallback, the dialog being narrower than it.
        EXPECT_EQ(dlg->pos(), QPoint(192, 0));
        EXPECT_EQ(dlg->size(), QSize(553, 321));
        // Within the 800 x 600 test screen: a placement past its edge would be brought onto it.
        dlg->move(150, 100);
        dlg->resize(600, 400);
        EXPECT_EQ(ini.ReadIniString("LAST_Position", "ProcessDlg"), "");
    }
    EXPECT_EQ(ini.ReadIniString("LAST_Position", "ProcessDlg"), "150,100,600,400");

    ProcessingDialogOwner next(ini, messages, fallback);
    next.ShowProcessDialog("");
    EXPECT_EQ(next.Dialog()->pos(), QPoint(150, 100));
    EXPECT_EQ(next.Dialog()->size(), QSize(600, 400));
}

TEST_F(ProcessingDialogTest, DialogWiderThanTheScreenIsNarrowedByTheFallback) {
    ProcessingDialogOwner owner(ini, messages, FallbackRect(500, 350));
    owner.ShowProcessDialog("");
    EXPECT_EQ(owner.Dialog()->pos(), QPoint(5, 0));
    EXPECT_EQ(owner.Dialog()->size(), QSize(475, 290));
}
