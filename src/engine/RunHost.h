#pragma once
// The one way the backup engine talks to the outside: progress texts and bars, the processing dialog,
// the modal questions, letting pending window events be handled, and the busy cursor. The desktop
// program implements it with Qt, the headless runner with terminal output, tests with a script.
// Texts are UTF-8; a path inside a text keeps its bytes as they are on disk.

#include <atomic>
#include <string>

namespace hozonix::engine {

enum class ContinueAnswer { Yes, Cancel, NoToAll };

class RunHost {
public:
    virtual ~RunHost() = default;

    // The request to stop: made from any thread (the window's 中止, a signal in the headless runner),
    // cleared as a run starts, polled by the run and the copy at every file step and copied block.
    void RequestAbort() { abort_.store(true, std::memory_order_relaxed); }
    bool AbortRequested() const { return abort_.load(std::memory_order_relaxed); }
    void ClearAbortRequest() { abort_.store(false, std::memory_order_relaxed); }
    // For a signal handler, which may only store to a lock-free atomic.
    std::atomic<bool>& AbortFlag() { return abort_; }

    // The progress sink: the status text panel (repainted at once) and the main progress bar (0..100).
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetMainBar(int percent) = 0;

    // The processing dialog. An empty upper or lower text leaves that area as it is; the position is
    // always set. Updates before the first ShowProcessDialog change nothing.
    virtual void ShowProcessDialog(const std::string& caption) = 0;
    virtual void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) = 0;
    virtual void HideProcessDialog() = 0;
    // False while the progress texts of one more file would not be seen (they would be replaced before
    // the next repaint), so that a run over many small files need not make them. Once true, it stays
    // true until the texts are next shown.
    virtual bool ProgressDue() { return true; }

    // A plain message box (application title, OK).
    virtual void ShowMessage(const std::string& text) = 0;
    // The invalid-date confirmation (Yes / Cancel): true means skip the file, false ends the run.
    virtual bool AskSkipInvalidDate(const std::string& text) = 0;
    // The warning after an aborted copy (Yes / Cancel / No to All).
    virtual ContinueAnswer AskContinue(const std::string& text) = 0;

    // Lets the window system handle pending events once (repaints, the abort button). Also called during
    // the scan, on the run's thread.
    virtual void ProcessPendingEvents() = 0;
    // The scan is taking a while (a large tree, a slow disk or share): a window shows its processing
    // dialog now, so that its abort button can end the run during the scan too.
    virtual void ScanTakesLong() {}
    virtual void SetBusyCursor(bool busy) = 0;

private:
    std::atomic<bool> abort_{false};
};

// Hides the processing dialog and resets the cursor on every way out of a run, a check or a restore,
// errors included.
class RunEnd {
public:
    explicit RunEnd(RunHost& host) : host_(host) {}
    ~RunEnd() {
        host_.SetBusyCursor(false);
        host_.HideProcessDialog();
    }
    RunEnd(const RunEnd&) = delete;
    RunEnd& operator=(const RunEnd&) = delete;

private:
    RunHost& host_;
};

} // namespace hozonix::engine
