// Runs one backup without a window, for timing against other copy tools.
//   hozonix-bench [--fast] [--dry-run] [--phases] [--threshold BYTES] SOURCE DESTINATION
//   hozonix-bench --scan-only FOLDER
//   hozonix-bench --list-only COUNT      (a scan list of COUNT entries with typical paths, no disk)
// --phases prints when each phase of the run starts.
// --fast uses the moment of the start as the date limit, as a fast run right after a complete run does.
// Every run is given the newest token of the destination's stamp, as a profile whose last complete run
// wrote there remembers it.

#include "base/AppError.h"
#include "engine/DestinationStamp.h"
#include "engine/RunBackup.h"
#include "engine/ScanFolder.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

using namespace hozonix::engine;

namespace {

class SilentHost : public RunHost {
public:
    // With `phases`, each status text goes to stderr with the milliseconds since the start: the texts
    // mark the run's phases (scan, inspection, update), so this shows where a run spends its time.
    explicit SilentHost(bool phases) : phases_(phases) {}
    void SetStatusText(const std::string& text) override {
        if (phases_ && text != last_)
            std::fprintf(
                stderr, "%8.1f ms  %s\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count(),
                text.c_str());
        last_ = text;
    }
    void SetMainBar(int) override {}
    void ShowProcessDialog(const std::string&) override {}
    void UpdateProcessDialog(int, const std::string&, const std::string&) override {}
    void HideProcessDialog() override {}
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool AskSkipInvalidDate(const std::string&) override { return true; }
    ContinueAnswer AskContinue(const std::string&) override { return ContinueAnswer::NoToAll; }
    void ProcessPendingEvents() override {}
    void SetBusyCursor(bool) override {}
    bool ProgressDue() override { return false; } // nothing is shown

private:
    bool phases_;
    std::string last_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::string NewestToken(const std::string& folder) {
    std::ifstream stamp(folder + "/" + OwnFolderName + "/" + StampFileName);
    std::string line;
    std::string newest;
    for (bool heading = true; std::getline(stamp, line); heading = false) {
        if (!heading && !line.empty())
            newest = line;
    }
    return newest;
}

int Usage() {
    std::fprintf(
        stderr,
        "usage: hozonix-bench [--fast] [--dry-run] [--phases] [--threshold BYTES] SOURCE DESTINATION\n"
        "       hozonix-bench --scan-only FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    BackupRequest request;
    bool scanOnly = false;
    bool phases = false;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fast") == 0) {
            request.DateLimit = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count();
        } else if (std::strcmp(argv[i], "--phases") == 0) {
            phases = true;
        } else if (std::strcmp(argv[i], "--dry-run") == 0) {
            request.DryRun = true;
        } else if (std::strcmp(argv[i], "--scan-only") == 0) {
            scanOnly = true;
        } else if (std::strcmp(argv[i], "--list-only") == 0 && i + 1 < argc) {
            // The memory a scan list of that many files takes, without making the files.
            const long count = std::stol(argv[++i]);
            FileList list;
            for (long n = 0; n < count; ++n) {
                const std::string path = "/var/tmp/hozonix-bench/trees/million/d" + std::to_string(n / 1000) +
                                         "/file-with-a-typical-name-" + std::to_string(n % 1000) + ".txt";
                list.push_back(FileEntry{path, n, n});
            }
            std::printf("entries=%zu\n", list.size());
            return 0;
        } else if (std::strcmp(argv[i], "--threshold") == 0 && i + 1 < argc) {
            request.RecoveryThreshold = std::stoll(argv[++i]);
        } else if (argv[i][0] == '-') {
            return Usage();
        } else {
            folders.emplace_back(argv[i]);
        }
    }
    if (scanOnly) {
        if (folders.size() != 1)
            return Usage();
        FileList list;
        ScanFolder(folders[0], list, true, 0);
        std::printf("found=%zu\n", list.size());
        return 0;
    }
    if (folders.size() != 2)
        return Usage();
    request.SourceFolder = folders[0];
    request.DestinationFolder = folders[1];
    request.LastRunToken = NewestToken(folders[1]);
    SilentHost host(phases);
    PathList updated;
    PathList failed;
    BackupResult result;
    try {
        RunBackup(request, updated, failed, host, &result);
        host.SetStatusText("(end)");
    } catch (const hozonix::AppError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("found=%d written=%d failed=%d skipped=%d bytes=%lld\n", result.FilesFound,
                result.FilesWritten, result.FilesFailed, result.FilesSkipped,
                static_cast<long long>(result.BytesWritten));
    return 0;
}
