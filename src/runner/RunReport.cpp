#include "runner/RunReport.h"

#include "base/AtomicFile.h"
#include "runner/TerminalText.h"

namespace hozonix::runner {

namespace {

void PrintList(std::FILE* out, const char* heading, const engine::PathList& lines, bool terminal) {
    if (lines.empty())
        return;
    std::fprintf(out, "%s (%zu):\n", heading, lines.size());
    for (const std::string& line : lines)
        std::fprintf(out, "  %s\n", Printable(line, terminal).c_str());
}

std::string Lines(const std::vector<ProfileOutcome>& outcomes, engine::PathList ProfileOutcome::*list) {
    std::string text;
    for (const ProfileOutcome& o : outcomes) {
        for (const std::string& line : o.*list)
            text.append(line).append("\n");
    }
    return text;
}

} // namespace

std::string SummaryLine(const ProfileOutcome& outcome, bool dryRun) {
    const engine::BackupResult& f = outcome.figures;
    std::string line = outcome.name + ": ";
    if (dryRun)
        line += "would write " + std::to_string(f.FilesWritten);
    else
        line += "written " + std::to_string(f.FilesWritten) + ", failed " + std::to_string(f.FilesFailed);
    line += ", skipped " + std::to_string(f.FilesSkipped) + ", " + FormatBytes(f.BytesWritten) + ", " +
            FormatDuration(outcome.seconds);
    if (dryRun)
        line += " (dry run: nothing written)";
    return line;
}

void PrintOutcome(std::FILE* out, const ProfileOutcome& outcome, bool dryRun, bool quiet, bool terminal) {
    if (!quiet) {
        PrintList(out, dryRun ? "Files to write" : "Written files", outcome.updated, terminal);
        PrintList(out, "Failed files",
                  engine::WithReasons(outcome.failed, outcome.figures.FailureReasons, " (", ")"), terminal);
    }
    std::fprintf(out, "%s\n", Printable(SummaryLine(outcome, dryRun), terminal).c_str());
    std::fflush(out);
}

void PrintRestoreOutcome(std::FILE* out, const profiles::RestoreOutcome& outcome, bool dryRun, bool quiet,
                         bool terminal) {
    const engine::RestoreResult& r = outcome.result;
    const auto reasons = [](const std::vector<engine::RestoreItem>& items) {
        engine::PathList lines;
        for (const engine::RestoreItem& item : items)
            lines.push_back(item.path + " (" + item.reason + ")");
        return lines;
    };
    if (!quiet) {
        engine::PathList restored;
        for (const std::string& path : r.Restored)
            restored.push_back(path);
        engine::PathList aside;
        for (const std::string& path : r.KeptAside)
            aside.push_back(path);
        PrintList(out, dryRun ? "Files to restore" : "Restored files", restored, terminal);
        PrintList(out, "Kept aside", aside, terminal);
        PrintList(out, "Skipped files", reasons(r.Skipped), terminal);
        PrintList(out, "Failed files", reasons(r.Failed), terminal);
    }
    std::string line = outcome.name + ": " + (dryRun ? "would restore " : "restored ") +
                       std::to_string(r.Restored.size()) + ", unchanged " + std::to_string(r.Unchanged) +
                       ", skipped " + std::to_string(r.Skipped.size()) + ", failed " +
                       std::to_string(r.Failed.size()) + ", " + FormatBytes(r.BytesRestored) + ", " +
                       FormatDuration(outcome.seconds);
    if (r.MadeCurrent > 0)
        line += ", " + std::to_string(r.MadeCurrent) + " now current in the backup";
    if (r.Stopped)
        line += " (stopped)";
    if (dryRun)
        line += " (dry run: nothing written)";
    std::fprintf(out, "%s\n", Printable(line, terminal).c_str());
    std::fflush(out);
}

void SaveLists(const std::string& folder, const std::vector<ProfileOutcome>& outcomes) {
    ReplaceFileAtomically(folder + "/" + WrittenListName, Lines(outcomes, &ProfileOutcome::updated));
    ReplaceFileAtomically(folder + "/" + FailedListName, Lines(outcomes, &ProfileOutcome::failed));
}

} // namespace hozonix::runner
