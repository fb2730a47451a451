#include "ui/WorkerRunHost.h"

namespace hozonix::ui {

WorkerRunHost::WorkerRunHost(engine::RunHost& window, int frameMilliseconds) : window_(window) {
    timer_.setInterval(frameMilliseconds);
    // The frame's turn is skipped while the run holds the state: the run gives way to the window's thread
    // and may wait for a processor meanwhile, and the window must not wait with it.
    connect(&timer_, &QTimer::timeout, this, [this] { Show(std::try_to_lock); });
    timer_.start();
}

WorkerRunHost::~WorkerRunHost() = default;

template <class F> void WorkerRunHost::Hold(F change) {
    {
        const std::lock_guard lock(mutex_);
        change(held_);
    }
    if (QThread::currentThread() == thread())
        Show();
}

void WorkerRunHost::Show() {
    std::unique_lock lock(mutex_);
    Show(lock);
}

void WorkerRunHost::Show(std::try_to_lock_t) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (lock.owns_lock())
        Show(lock);
}

void WorkerRunHost::Show(std::unique_lock<std::mutex>& lock) {
    Held held = std::move(held_);
    held_ = Held();
    textsHeld_.store(false, std::memory_order_release);
    lock.unlock();
    // A dialog shown and hidden within one frame is still shown, as a run outside this host would.
    if (held.shown == DialogChange::Shown)
        window_.ShowProcessDialog(held.caption);
    else if (held.shown == DialogChange::ScanShown)
        window_.ScanTakesLong();
    if (held.status)
        window_.SetStatusText(*held.status);
    if (held.bar)
        window_.SetMainBar(*held.bar);
    if (held.position)
        window_.UpdateProcessDialog(*held.position, held.upper, held.lower);
    if (held.dialog == DialogChange::Hidden)
        window_.HideProcessDialog();
    if (held.busy)
        window_.SetBusyCursor(*held.busy);
}

void WorkerRunHost::SetStatusText(const std::string& text) {
    Hold([&](Held& h) { h.status = text; });
}

void WorkerRunHost::SetMainBar(int percent) {
    if (lastBar_.exchange(percent, std::memory_order_relaxed) == percent)
        return;
    Hold([&](Held& h) { h.bar = percent; });
}

void WorkerRunHost::ShowProcessDialog(const std::string& caption) {
    Hold([&](Held& h) {
        h.dialog = h.shown = DialogChange::Shown;
        h.caption = caption;
    });
}

void WorkerRunHost::ScanTakesLong() {
    Hold([&](Held& h) { h.dialog = h.shown = DialogChange::ScanShown; });
}

void WorkerRunHost::HideProcessDialog() {
    Hold([&](Held& h) { h.dialog = DialogChange::Hidden; });
}

void WorkerRunHost::UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) {
    Hold([&](Held& h) {
        // An empty text leaves its area as it is, so only a newer non-empty text replaces a held one.
        h.position = position;
        if (!upper.empty())
            h.upper = upper;
        if (!lower.empty())
            h.lower = lower;
        if (!upper.empty() || !lower.empty())
            textsHeld_.store(true, std::memory_order_release);
    });
}

void WorkerRunHost::SetBusyCursor(bool busy) {
    Hold([&](Held& h) { h.busy = busy; });
}

void WorkerRunHost::ShowMessage(const std::string& text) {
    OnWindowThread([&] {
        window_.ShowMessage(text);
        return true;
    });
}

bool WorkerRunHost::AskSkipInvalidDate(const std::string& text) {
    return OnWindowThread([&] { return window_.AskSkipInvalidDate(text); });
}

engine::ContinueAnswer WorkerRunHost::AskContinue(const std::string& text) {
    return OnWindowThread([&] { return window_.AskContinue(text); });
}

} // namespace hozonix::ui
