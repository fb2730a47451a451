#pragma once
// The engine's RunHost for the desktop program: the main window's status panel and progress bar, the
// processing dialog, the questions through the message-box service, Qt's event processing and the
// busy cursor.
//
// The status panel is repainted at once, but at most once per frame: texts that arrive faster are only
// scheduled, and the scheduled repaint always shows the latest text.

#include "engine/RunHost.h"

#include <QElapsedTimer>

#include <functional>

class QLabel;
class QProgressBar;

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::ui {

class ProcessingDialogOwner;

class QtRunHost : public engine::RunHost {
public:
    static constexpr qint64 FrameMilliseconds = 16;

    // `mainBar` may be null: the bar is then left alone.
    QtRunHost(QLabel& statusPanel, QProgressBar* mainBar, ProcessingDialogOwner& dialog,
              MessageBoxService& messages);

    void SetStatusText(const std::string& text) override;
    void SetMainBar(int percent) override;

    void ShowProcessDialog(const std::string& caption) override;
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) override;
    void HideProcessDialog() override;

    void ShowMessage(const std::string& text) override;
    bool AskSkipInvalidDate(const std::string& text) override;
    engine::ContinueAnswer AskContinue(const std::string& text) override;

    void ProcessPendingEvents() override;
    // The processing dialog, with its abort button, shows while the scan still runs.
    void ScanTakesLong() override;
    void SetBusyCursor(bool busy) override;

    // A run starts: the processing dialog is emptied of the run before, and its abort button and close
    // button call `abort` until EndRun.
    void BeginRun(std::function<void()> abort);
    void EndRun();

private:
    QLabel& statusPanel_;
    QProgressBar* mainBar_;
    ProcessingDialogOwner& dialog_;
    MessageBoxService& messages_;
    QElapsedTimer sinceRepaint_;
};

} // namespace hozonix::ui
