#pragma once
// The engine's RunHost for a run on a worker thread, shown by the window's thread. Progress (the status
// text, the bar, the processing dialog shown, hidden or updated, the busy cursor) is held as its latest
// state and shown by a timer once per frame, so a run over many small files never waits for painting and
// a write that stalls on a slow share never stalls the window. Messages and questions wait for the
// window's answer, after what is held has been shown.

#include "engine/RunHost.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
#include <string>

namespace hozonix::ui {

class WorkerRunHost : public QObject, public engine::RunHost {
public:
    // Progress shows 25 times a second: smooth to the eye, and on two cores the painting (the window's
    // and the X server's) takes next to nothing from the run.
    static constexpr int FrameMilliseconds = 40;

    // `window` is used on the thread this object is made on only.
    explicit WorkerRunHost(engine::RunHost& window, int frameMilliseconds = FrameMilliseconds);
    ~WorkerRunHost() override;

    // On the window's thread: passes what is held on to the window (the timer does so every frame).
    void Show();
    // The same, unless the run holds the state just then (the timer's way).
    void Show(std::try_to_lock_t);

    // The RunHost, on the run's thread (or on the window's, which then shows at once).
    void SetStatusText(const std::string& text) override;
    void SetMainBar(int percent) override;
    void ShowProcessDialog(const std::string& caption) override;
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) override;
    void HideProcessDialog() override;
    // Texts of one more file are due once those held have been shown.
    bool ProgressDue() override { return !textsHeld_.load(std::memory_order_acquire); }
    void ShowMessage(const std::string& text) override;
    bool AskSkipInvalidDate(const std::string& text) override;
    engine::ContinueAnswer AskContinue(const std::string& text) override;
    // The window's thread handles its own events.
    void ProcessPendingEvents() override {}
    void ScanTakesLong() override;
    void SetBusyCursor(bool busy) override;

    // Runs `ask` on the window's thread after showing what is held, and waits for it; what it raises is
    // raised here.
    template <class F> auto OnWindowThread(F ask) -> decltype(ask()) {
        if (QThread::currentThread() == thread()) {
            Show();
            return ask();
        }
        std::optional<decltype(ask())> answer;
        std::exception_ptr error;
        QMetaObject::invokeMethod(
            this,
            [&] {
                try {
                    Show();
                    answer.emplace(ask());
                } catch (...) {
                    error = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (error)
            std::rethrow_exception(error);
        return std::move(*answer);
    }

private:
    void Show(std::unique_lock<std::mutex>& lock);
    enum class DialogChange { None, Shown, ScanShown, Hidden };
    struct Held {
        std::optional<std::string> status;
        std::optional<int> bar;
        DialogChange dialog = DialogChange::None; // the latest change
        DialogChange shown = DialogChange::None;  // the latest showing, even when hidden since
        std::string caption;
        std::optional<int> position;
        std::string upper;
        std::string lower;
        std::optional<bool> busy;
    };
    template <class F> void Hold(F change);

    engine::RunHost& window_;
    std::mutex mutex_;
    Held held_;
    std::atomic<bool> textsHeld_{false};
    std::atomic<int> lastBar_{-1}; // the bar is told for every file, but moves a hundred times a run
    QTimer timer_;
};

} // namespace hozonix::ui
