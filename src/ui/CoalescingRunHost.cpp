#include "ui/CoalescingRunHost.h"

namespace hozonix::ui {

void CoalescingRunHost::Flush() {
    if (status_) {
        window_.SetStatusText(*status_);
        status_.reset();
    }
    if (bar_) {
        window_.SetMainBar(*bar_);
        bar_.reset();
    }
    if (dialogPosition_) {
        window_.UpdateProcessDialog(*dialogPosition_, upper_, lower_);
        dialogPosition_.reset();
        upper_.clear();
        lower_.clear();
    }
}

void CoalescingRunHost::ShowProcessDialog(const std::string& caption) {
    Flush();
    window_.ShowProcessDialog(caption);
}

void CoalescingRunHost::UpdateProcessDialog(int position, const std::string& upper,
                                            const std::string& lower) {
    // An empty text leaves its area as it is, so only a newer non-empty text replaces a held one.
    dialogPosition_ = position;
    if (!upper.empty())
        upper_ = upper;
    if (!lower.empty())
        lower_ = lower;
}

void CoalescingRunHost::HideProcessDialog() {
    Flush();
    window_.HideProcessDialog();
}

void CoalescingRunHost::ShowMessage(const std::string& text) {
    Flush();
    window_.ShowMessage(text);
}

bool CoalescingRunHost::AskSkipInvalidDate(const std::string& text) {
    Flush();
    return window_.AskSkipInvalidDate(text);
}

engine::ContinueAnswer CoalescingRunHost::AskContinue(const std::string& text) {
    Flush();
    return window_.AskContinue(text);
}

bool CoalescingRunHost::ProgressDue() {
    // Once due, it stays so until the events are next handled: the time since then only grows.
    return !sinceEvents_.isValid() || sinceEvents_.elapsed() >= frame_;
}

void CoalescingRunHost::ProcessPendingEvents() {
    if (!ProgressDue())
        return;
    Flush();
    window_.ProcessPendingEvents();
    sinceEvents_.start();
}

} // namespace hozonix::ui
