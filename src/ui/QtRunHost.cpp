#include "ui/QtRunHost.h"

#include "base/MessageBoxService.h"
#include "ui/ProcessingDialog.h"
#include "ui/ScreenCursor.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace hozonix::ui {

QtRunHost::QtRunHost(QLabel& statusPanel, QProgressBar* mainBar, ProcessingDialogOwner& dialog,
                     MessageBoxService& messages)
    : statusPanel_(statusPanel), mainBar_(mainBar), dialog_(dialog), messages_(messages) {}

void QtRunHost::SetStatusText(const std::string& text) {
    // setText schedules a repaint with this text in any case; painting now as well is only needed
    // when the last immediate paint is a frame old, since the run keeps the event loop waiting.
    statusPanel_.setText(QString::fromUtf8(text));
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= FrameMilliseconds) {
        statusPanel_.repaint();
        sinceRepaint_.start();
    }
}

void QtRunHost::SetMainBar(int percent) {
    if (mainBar_ != nullptr)
        mainBar_->setValue(std::clamp(percent, mainBar_->minimum(), mainBar_->maximum()));
}

void QtRunHost::ShowProcessDialog(const std::string& caption) {
    dialog_.ShowProcessDialog(caption, ProcessAnimation::CopyFiles);
}

void QtRunHost::ScanTakesLong() {
    ShowProcessDialog("");
}

void QtRunHost::UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) {
    dialog_.UpdateProcessDialog(position, upper, lower);
}

void QtRunHost::HideProcessDialog() {
    dialog_.HideProcessDialog();
}

void QtRunHost::ShowMessage(const std::string& text) {
    messages_.ShowMessage(text);
}

bool QtRunHost::AskSkipInvalidDate(const std::string& text) {
    return messages_.Show(MessageKind::Confirmation, text, YesButton | CancelButton) == MessageButton::Yes;
}

engine::ContinueAnswer QtRunHost::AskContinue(const std::string& text) {
    switch (messages_.Show(MessageKind::Warning, text, YesButton | CancelButton | NoToAllButton)) {
    case MessageButton::Yes:
        return engine::ContinueAnswer::Yes;
    case MessageButton::NoToAll:
        return engine::ContinueAnswer::NoToAll;
    default:
        return engine::ContinueAnswer::Cancel;
    }
}

void QtRunHost::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void QtRunHost::BeginRun(std::function<void()> abort) {
    dialog_.ClearProcessDialog();
    dialog_.SetAbortHandler(std::move(abort));
}

void QtRunHost::EndRun() {
    dialog_.SetAbortHandler(nullptr);
}

void QtRunHost::SetBusyCursor(bool busy) {
    SetScreenCursorBusy(busy);
}

} // namespace hozonix::ui
