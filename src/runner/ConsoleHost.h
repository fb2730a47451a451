#pragma once
// The runner's side of the engine's RunHost: what the desktop shows in its status bar and processing
// dialog becomes a progress line redrawn in place on a terminal, or plain lines for a log or a pipe.
// Plain message boxes go to standard error, and the questions get the answers a run without anyone
// to ask needs: an invalid date skips the file, and after an aborted copy the run ends.

#include "engine/RunBackup.h"

#include <cstdio>
#include <functional>
#include <string>

namespace hozonix::runner {

enum class OutputStyle {
    Live,  // one progress line, redrawn in place
    Plain, // every status text as a line of its own
    Quiet, // no progress at all
};

class ConsoleHost : public engine::RunHost {
public:
    // Seconds on a clock that never goes back.
    using Clock = std::function<double()>;
    static double MonotonicSeconds();

    ConsoleHost(std::FILE* out, std::FILE* err, OutputStyle style, Clock clock = MonotonicSeconds);

    // Begins the reports of one profile's run; the engine fills `figures` as the run goes. `doing`
    // names the work its percentage counts ("checking" for a run's look at the destination and for a
    // check, "restoring" for a restore).
    void BeginRun(const std::string& profileName, const engine::BackupResult* figures,
                  std::string doing = "checking");
    // Removes the progress line so that other output starts on a clean line.
    void ClearLine();
    void SetColumns(int columns) { columns_ = columns; }
    bool ErrIsTerminal() const { return errTerminal_; }

    void SetStatusText(const std::string& text) override;
    void SetMainBar(int percent) override;
    void ShowProcessDialog(const std::string& caption) override;
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) override;
    bool ProgressDue() override;
    void HideProcessDialog() override;
    void ShowMessage(const std::string& text) override;
    bool AskSkipInvalidDate(const std::string& text) override;
    engine::ContinueAnswer AskContinue(const std::string& text) override;
    void ProcessPendingEvents() override;
    void SetBusyCursor(bool) override {}

    // The progress line as it would be drawn now, without the terminal's control sequences.
    std::string ProgressLine() const;

private:
    enum class Phase { Scan, Inspect, Update };
    void Redraw(bool force);
    void WriteError(const std::string& text);

    std::FILE* out_;
    std::FILE* err_;
    OutputStyle style_;
    Clock clock_;
    bool errTerminal_;
    int columns_ = 80;

    std::string profile_;
    std::string doing_;
    const engine::BackupResult* figures_ = nullptr;
    Phase phase_ = Phase::Scan;
    int bar_ = 0;
    std::string current_;
    int64_t bytesInFile_ = 0; // of the large file being copied, before it counts as written
    int64_t bytesWrittenSeen_ = 0;
    double updateStart_ = 0;
    static constexpr double RedrawInterval = 0.1; // seconds
    bool IntervalPassed(double now) const { return lastDraw_ < 0 || now - lastDraw_ >= RedrawInterval; }

    double lastDraw_ = -1;
    bool due_ = false; // the next Redraw draws
    bool lineShown_ = false;
    std::string lastStatus_;
};

} // namespace hozonix::runner
