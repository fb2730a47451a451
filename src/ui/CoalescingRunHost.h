#pragma once
// Stands between the engine and the window's RunHost so that a run over many small files costs little
// more than the engine alone: progress texts, bars and dialog texts that arrive within one frame only
// replace each other, and the window shows the latest of them once per frame, when it also handles its
// pending events (repaints, the abort button). Before anything the user must see as it is (a question,
// a message, the dialog shown or hidden) and at Flush(), the latest outputs are passed on at once.

#include "engine/RunHost.h"

#include <QElapsedTimer>

#include <optional>
#include <string>

namespace hozonix::ui {

class CoalescingRunHost : public engine::RunHost {
public:
    static constexpr qint64 DefaultFrameMilliseconds = 16;

    explicit CoalescingRunHost(engine::RunHost& window, qint64 frameMilliseconds = DefaultFrameMilliseconds)
        : window_(window), frame_(frameMilliseconds) {}

    void SetStatusText(const std::string& text) override { status_ = text; }
    void SetMainBar(int percent) override { bar_ = percent; }
    void ShowProcessDialog(const std::string& caption) override;
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) override;
    void HideProcessDialog() override;
    bool ProgressDue() override;
    void ShowMessage(const std::string& text) override;
    bool AskSkipInvalidDate(const std::string& text) override;
    engine::ContinueAnswer AskContinue(const std::string& text) override;
    void ProcessPendingEvents() override;
    void ScanTakesLong() override {
        Flush();
        window_.ScanTakesLong();
    }
    void SetBusyCursor(bool busy) override { window_.SetBusyCursor(busy); }

    // Passes every output still held on to the window.
    void Flush();

private:
    engine::RunHost& window_;
    qint64 frame_;
    QElapsedTimer sinceEvents_;
    std::optional<std::string> status_;
    std::optional<int> bar_;
    std::optional<int> dialogPosition_;
    std::string upper_;
    std::string lower_;
};

} // namespace hozonix::ui
