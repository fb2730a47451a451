#include "runner/ConsoleHost.h"

#include "engine/EngineTexts.h"
#include "engine/VerifyBackup.h"
#include "runner/Interrupt.h"
#include "runner/TerminalText.h"

#include <cstdlib>
#include <ctime>
#include <string_view>
#include <unistd.h>

namespace hozonix::runner {

namespace {

// The path in an upper text of the processing dialog: the engine puts a fixed suffix after it.
bool StripSuffix(const std::string& text, std::string_view suffix, std::string& path) {
    if (!text.ends_with(suffix))
        return false;
    path = text.substr(0, text.size() - suffix.size());
    return true;
}

// Bytes done of the large file in hand, from the copy's lower text "コピー済  %3.2f Kバイト/...".
bool CopiedBytesOf(const std::string& lower, int64_t& bytes) {
    static constexpr std::string_view Prefix = "コピー済  ";
    static constexpr std::string_view Unit = " Kバイト/";
    const size_t unit = lower.find(Unit);
    if (!lower.starts_with(Prefix) || unit == std::string::npos || unit <= Prefix.size())
        return false;
    const std::string number = lower.substr(Prefix.size(), unit - Prefix.size());
    char* end = nullptr;
    const double kilobytes = std::strtod(number.c_str(), &end);
    if (end == number.c_str() || *end != '\0' || kilobytes < 0)
        return false;
    bytes = static_cast<int64_t>(kilobytes * 1000.0);
    return true;
}

} // namespace

double ConsoleHost::MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

ConsoleHost::ConsoleHost(std::FILE* out, std::FILE* err, OutputStyle style, Clock clock)
    : out_(out), err_(err), style_(style), clock_(std::move(clock)), errTerminal_(isatty(fileno(err)) != 0) {}

void ConsoleHost::BeginRun(const std::string& profileName, const engine::BackupResult* figures,
                           std::string doing) {
    profile_ = profileName;
    doing_ = std::move(doing);
    figures_ = figures;
    phase_ = Phase::Scan;
    bar_ = 0;
    current_.clear();
    bytesInFile_ = 0;
    bytesWrittenSeen_ = 0;
    lastStatus_.clear();
    Redraw(true);
}

void ConsoleHost::SetStatusText(const std::string& text) {
    if (text.ends_with(engine::texts::UpdatingFiles)) {
        phase_ = Phase::Update;
        updateStart_ = clock_();
    }
    if (style_ == OutputStyle::Plain && !text.empty() && text != lastStatus_) {
        std::fprintf(out_, "%s: %s\n", profile_.c_str(), Printable(text, false).c_str());
        std::fflush(out_);
    }
    lastStatus_ = text;
}

void ConsoleHost::SetMainBar(int percent) {
    bar_ = percent;
}

void ConsoleHost::ShowProcessDialog(const std::string&) {
    if (phase_ == Phase::Scan)
        phase_ = Phase::Inspect;
}

void ConsoleHost::UpdateProcessDialog(int, const std::string& upper, const std::string& lower) {
    std::string path;
    if (StripSuffix(upper, engine::texts::Inspecting, path) ||
        StripSuffix(upper, engine::texts::Copying, path) || StripSuffix(upper, engine::texts::Copied, path) ||
        StripSuffix(upper, engine::texts::Verifying, path)) {
        if (path != current_)
            bytesInFile_ = 0;
        current_ = std::move(path);
    }
    if (figures_ != nullptr && figures_->BytesWritten != bytesWrittenSeen_) {
        bytesWrittenSeen_ = figures_->BytesWritten;
        bytesInFile_ = 0; // the file now counts in full
    }
    int64_t bytes = 0;
    if (CopiedBytesOf(lower, bytes))
        bytesInFile_ = bytes;
    Redraw(false);
}

void ConsoleHost::HideProcessDialog() {
    ClearLine();
}

std::string ConsoleHost::ProgressLine() const {
    std::string line = profile_ + ": ";
    switch (phase_) {
    case Phase::Scan:
        return line + "scanning the source folder";
    case Phase::Inspect:
        line += doing_ + " " + std::to_string(bar_) + "%";
        break;
    case Phase::Update: {
        if (figures_ == nullptr)
            break;
        const engine::BackupResult& f = *figures_;
        const int done = f.FilesWritten + f.FilesFailed + f.FilesSkipped;
        const int kept = f.FilesFound - f.FilesExcluded;
        const int64_t bytes = f.BytesWritten + bytesInFile_;
        line += std::to_string(done) + "/" + std::to_string(kept) + " files  " + FormatBytes(bytes) + " / " +
                FormatBytes(f.BytesTotal);
        const double elapsed = clock_() - updateStart_;
        if (elapsed >= 1.0)
            line += "  " + FormatBytes(static_cast<int64_t>(static_cast<double>(bytes) / elapsed)) + "/s";
        break;
    }
    }
    if (!current_.empty()) {
        // Room for the file: the rest of the line, keeping the last column free so nothing wraps.
        const int room = columns_ - 1 - DisplayWidth(TerminalSafe(line)) - 2;
        if (room >= 12)
            line += "  " + FitFromLeft(current_, room);
    }
    return line;
}

bool ConsoleHost::ProgressDue() {
    // Only the live line shows the file in hand, and only every tenth of a second.
    if (style_ == OutputStyle::Live && !due_)
        due_ = IntervalPassed(clock_());
    return due_;
}

void ConsoleHost::Redraw(bool force) {
    if (style_ != OutputStyle::Live)
        return;
    const double now = clock_();
    if (!force && !due_ && !IntervalPassed(now))
        return;
    due_ = false;
    lastDraw_ = now;
    std::string line = FitFromLeft(ProgressLine(), columns_ - 1);
    std::fprintf(out_, "\r%s\033[K", line.c_str());
    std::fflush(out_);
    lineShown_ = true;
}

void ConsoleHost::ClearLine() {
    if (!lineShown_)
        return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    lineShown_ = false;
}

void ConsoleHost::WriteError(const std::string& text) {
    ClearLine();
    std::fprintf(err_, "%s\n", Printable(text, errTerminal_).c_str());
    std::fflush(err_);
}

void ConsoleHost::ShowMessage(const std::string& text) {
    WriteError(text);
}

bool ConsoleHost::AskSkipInvalidDate(const std::string& text) {
    WriteError(text + "\n-> the file is skipped");
    return true;
}

engine::ContinueAnswer ConsoleHost::AskContinue(const std::string& text) {
    WriteError(text + "\n-> the run ends");
    return engine::ContinueAnswer::NoToAll;
}

void ConsoleHost::ProcessPendingEvents() {
    if (Interrupted.load())
        RequestAbort();
    Redraw(false);
}

} // namespace hozonix::runner
