// Every window of the program on the smallest screen it is made for: 800x480, with a frame round each
// window (the platform's screen and frames come from small-screen.json). Each window must lie wholly on
// the screen, title bar included, and show every control inside itself, every caption whole.
#include "app/HozonixApplication.h"
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/MainWindow.h"
#include "netinfo/LoginDialog.h"
#include "preview/PageLayoutDialog.h"
#include "preview/PrinterSetupDialog.h"
#include "report/PrintProgressWindow.h"
#include "report/PrintSettingsWindow.h"
#include "restore/RestoreWindow.h"
#include "ui/FolderBrowser.h"
#include "ui/MessageListDialog.h"
#include "ui/ProcessingDialog.h"
#include "ui/QtFileDialogs.h"
#include "ui/ScreenPlacement.h"
#include "ui/ShareLoginDialog.h"
#include "wizard/ProfileWizardDialog.h"

#include "PreviewWindowTestFixture.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <sstream>

using namespace hozonix;
using namespace hozonix::test;

namespace {

std::string Text(const QRect& r) {
    std::ostringstream out;
    out << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    return out.str();
}

// Lines of a list or tree, and pages of a scrolled area, may lie outside what their view shows.
bool InScrolledContent(const QWidget& widget, const QWidget& window) {
    for (const QWidget* p = widget.parentWidget(); p != nullptr && p != &window; p = p->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget());
        if (area != nullptr && area->viewport() == p)
            return true;
    }
    return false;
}

// The window's outer rectangle. Under X it is read from the window manager's own record: Qt may keep
// a frame it read while the window was being framed.
QRect FrameOf(const QWidget& window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return window.frameGeometry();
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_FRAME_EXTENTS"});
    xprop.waitForFinished();
    const QString out = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    const QStringList extents = out.section('=', 1).split(',', Qt::SkipEmptyParts);
    if (extents.size() != 4)
        return window.geometry();
    return window.geometry().marginsAdded(
        {extents[0].toInt(), extents[2].toInt(), extents[1].toInt(), extents[3].toInt()});
}

void ExpectUsable(QWidget& window) {
    // A window manager frames the window some time after it is shown, and the window is fitted once
    // that is known; then a late move from before the frame would show.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    static_cast<void>(QTest::qWaitFor(
        [&] {
            const QRect frame = FrameOf(window);
            return frame != window.geometry() && screen.contains(frame);
        },
        5000));
    QTest::qWait(200);
    const std::string name =
        window.windowTitle().toStdString() + " (" + window.metaObject()->className() + ")";
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(area.size(), QSize(800, 480)) << "the test runs on a screen of another size";
    const QRect frame = FrameOf(window);
    EXPECT_LT(frame.top(), window.geometry().top()) << name << ": no frame round the window";
    EXPECT_TRUE(area.contains(frame)) << name << ": frame at " << Text(frame);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isWindow() || !child->isVisibleTo(&window) || InScrolledContent(*child, window))
            continue;
        const QRect at(child->mapTo(&window, QPoint(0, 0)), child->size());
        const std::string what = child->metaObject()->className() + (" " + child->objectName().toStdString());
        EXPECT_TRUE(window.rect().contains(at)) << name << ": " << what << " at " << Text(at);
        const auto* label = qobject_cast<const QLabel*>(child);
        if (label != nullptr && !label->wordWrap() && !label->text().isEmpty()) {
            EXPECT_GE(label->width(), label->sizeHint().width())
                << name << ": " << label->text().toStdString();
        }
    }
}

class SmallScreen : public PreviewWindowTest {
protected:
    SmallScreen() { QCoreApplication::instance()->installEventFilter(&onScreen); }
    ui::WindowsOnScreen onScreen;
};

} // namespace

TEST(SmallScreenProgram, TheMainWindowTheWizardAndTheRestoreWindow) {
    TempFolder dir;
    ScriptedMessageBox messages;
    int wizards = 0;
    app::HozonixApplication app(
        {"/usr/bin/hozonix", dir / "config", &messages, [&](wizard::ProfileWizardDialog& w) {
             ++wizards;
             w.show();
             ExpectUsable(w);
             return static_cast<int>(QDialog::Rejected);
         }});
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(wizards, 1);
    mainwindow::MainWindow& main = *app.Window();
    main.show();
    ExpectUsable(main);

    auto* restore = main.findChild<QAction*>("Item_Restore");
    ASSERT_NE(restore, nullptr);
    restore->trigger();
    auto* restoreWindow = main.findChild<restore::RestoreWindow*>();
    ASSERT_NE(restoreWindow, nullptr);
    ExpectUsable(*restoreWindow);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SmallScreen, ThePreviewWithAndWithoutThePrintSettingsAndItsDialogs) {
    Then([&] {
        ExpectUsable(Window());
        // Printing past the dialog shows the range and copies: they take a row of their own here.
        Window().PrintThroughDialogItem()->trigger();
        ASSERT_TRUE(Window().PrintSettingsPanel()->isVisible());
        ExpectUsable(Window());
        Window().PrintThroughDialogItem()->trigger();
        ExpectUsable(Window());

        preview::PageLayoutDialog margins(definition, messages, &Window());
        margins.show();
        ExpectUsable(margins);
        preview::PrinterSetupDialog printer(Info(), &Window());
        printer.show();
        ExpectUsable(printer);
        CloseWindow();
    });
    PrintWithSteps("更新済みファイル一覧", NumberedLines(300));
}

TEST_F(SmallScreen, TheListsTheRunAndTheSmallerDialogs) {
    QMainWindow main;
    main.resize(628, 395);
    main.show();
    ui::MessageListOwner lists(settings, messages, pickers, FallbackRect(800, 480));
    lists.SetMainWindow(&main, nullptr);
    lists.ShowMessageList("更新済みファイル一覧", {"/home/利用者/文書/報告.txt"});
    ExpectUsable(*lists.Dialog());

    ui::FolderBrowserDialog folders("フォルダの参照", dir.Path());
    folders.show();
    ExpectUsable(folders);
    ui::ProcessingDialog processing(settings, messages, FallbackRect(800, 480));
    processing.show();
    ExpectUsable(processing);
    mainwindow::HistoryDialog history(settings, {"文書", "写真"}, 0);
    history.show();
    ExpectUsable(history);
    ui::ShareLoginDialog share("\\\\nas\\photos", {}, true);
    share.show();
    ExpectUsable(share);
    netinfo::LoginDialog login;
    login.show();
    ExpectUsable(login);
    report::PrintSettingsWindow printSettings;
    printSettings.show();
    ExpectUsable(printSettings);
    report::PrintProgressWindow progress;
    progress.show();
    ExpectUsable(progress);

    QFileDialog save;
    ui::ConfigureFileDialog(save, ui::FileDialogKind::Save, {}, true);
    ui::FitColumnHeaders(save);
    save.show();
    ExpectUsable(save);
}
