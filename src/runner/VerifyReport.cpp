#include "runner/VerifyReport.h"

#include "runner/TerminalText.h"

namespace hozonix::runner {

std::string VerifySummaryLine(const profiles::VerifyOutcome& outcome) {
    const engine::VerifyResult& r = outcome.result;
    std::string line = outcome.name + ": checked " + std::to_string(r.FilesChecked) + ", differing " +
                       std::to_string(r.Differences.size()) + ", " + FormatBytes(r.BytesCompared) +
                       " compared, " + FormatDuration(outcome.seconds);
    if (r.Stopped)
        line += " (stopped before every file was checked)";
    return line;
}

void PrintVerifyOutcome(std::FILE* out, const profiles::VerifyOutcome& outcome, bool quiet, bool terminal) {
    const engine::VerifyResult& r = outcome.result;
    if (!quiet && !r.Differences.empty()) {
        std::fprintf(out, "Differences (%zu):\n", r.Differences.size());
        for (const std::string& line : engine::WithReasons(r.Differences, r.Reasons, " (", ")"))
            std::fprintf(out, "  %s\n", Printable(line, terminal).c_str());
    }
    std::fprintf(out, "%s\n", Printable(VerifySummaryLine(outcome), terminal).c_str());
    std::fflush(out);
}

} // namespace hozonix::runner
