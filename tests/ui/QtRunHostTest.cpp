#include "ui/QtRunHost.h"
#include "settings/IniFile.h"
#include "ui/ProcessingDialog.h"
#include "ui/ScreenCursor.h"

#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

// Records the text the label shows each time it is painted.
class PaintRecorder : public QObject {
public:
    std::vector<QString> painted;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted.push_back(static_cast<QLabel*>(watched)->text());
        return false;
    }
};

class QtRunHostTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    IniFile ini{dir / "Hozonix.ini"};
    test::ScriptedMessageBox messages;
    ProcessingDialogOwner dialog{ini, messages, FallbackRect(1024, 768)};
    QLabel panel;
    QProgressBar bar;
    QtRunHost host{panel, &bar, dialog, messages};
};

} // namespace

TEST_F(QtRunHostTest, QuestionsGoThroughTheMessageBoxes) {
    struct Case {
        MessageButton pressed;
        engine::ContinueAnswer expected;
    } cases[] = {{MessageButton::Yes, engine::ContinueAnswer::Yes},
                 {MessageButton::Cancel, engine::ContinueAnswer::Cancel},
                 {MessageButton::NoToAll, engine::ContinueAnswer::NoToAll}};
    for (const Case& c : cases) {
        messages.answers = {c.pressed};
        EXPECT_EQ(host.AskContinue("続けますか？\r\n/a"), c.expected);
        EXPECT_EQ(messages.shown.back().kind, MessageKind::Warning);
        EXPECT_EQ(messages.shown.back().buttons, unsigned(YesButton | CancelButton | NoToAllButton));
        EXPECT_EQ(messages.shown.back().text, "続けますか？\r\n/a");
    }

    messages.answers = {MessageButton::Yes, MessageButton::Cancel};
    EXPECT_TRUE(host.AskSkipInvalidDate("日付不正"));
    EXPECT_FALSE(host.AskSkipInvalidDate("日付不正"));
    EXPECT_EQ(messages.shown.back().kind, MessageKind::Confirmation);
    EXPECT_EQ(messages.shown.back().buttons, unsigned(YesButton | CancelButton));

    host.ShowMessage("Cannot open file /x");
    EXPECT_EQ(messages.shown.back().kind, MessageKind::Plain);
    EXPECT_EQ(messages.shown.back().text, "Cannot open file /x");
}

TEST_F(QtRunHostTest, StatusTextPaintsAtOnceAndTheLastTextStaysShown) {
    panel.show();
    QApplication::processEvents();
    PaintRecorder recorder;
    panel.installEventFilter(&recorder);

    // The first text after a quiet moment is painted before the call returns.
    QTest::qWait(2 * QtRunHost::FrameMilliseconds);
    host.SetStatusText("前回バックアップした日時");
    ASSERT_FALSE(recorder.painted.empty());
    EXPECT_EQ(recorder.painted.back().toStdString(), "前回バックアップした日時");

    // A burst is coalesced, but what stays on the panel is the last text.
    recorder.painted.clear();
    for (int i = 1; i <= 300; ++i)
        host.SetStatusText(std::to_string(i) + "ファイル目");
    EXPECT_LT(recorder.painted.size(), 300u);
    host.ProcessPendingEvents();
    ASSERT_FALSE(recorder.painted.empty());
    EXPECT_EQ(recorder.painted.back().toStdString(), "300ファイル目");
    panel.removeEventFilter(&recorder);
}

TEST_F(QtRunHostTest, MainBarIsClampedAndAnAbsentBarIsLeftAlone) {
    host.SetMainBar(42);
    EXPECT_EQ(bar.value(), 42);
    host.SetMainBar(120);
    EXPECT_EQ(bar.value(), 100);

    QtRunHost noBar(panel, nullptr, dialog, messages);
    noBar.SetMainBar(10);
    noBar.SetStatusText("x");
    EXPECT_EQ(panel.text().toStdString(), "x");
}

TEST_F(QtRunHostTest, BusyCursorIsOneValueNotAStack) {
    host.SetBusyCursor(true);
    host.SetBusyCursor(true);
    EXPECT_TRUE(ScreenCursorIsBusy());
    host.SetBusyCursor(false);
    EXPECT_FALSE(ScreenCursorIsBusy());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
