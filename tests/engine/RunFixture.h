#pragma once
// Shared set-up for backup-run tests: a source and a destination folder under a private temporary
// folder, a recording host and the two result lists.

#include "engine/DestinationStamp.h"
#include "engine/RunBackup.h"

#include "EngineFiles.h"
#include "RecordingHost.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::test {

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        host.ClearAbortRequest();
        src = dir / "src";
        dst = dir / "dst";
        mkdir(src.c_str(), 0755);
        mkdir(dst.c_str(), 0755);
        request.SourceFolder = src;
        request.DestinationFolder = dst;
    }
    void TearDown() override { host.ClearAbortRequest(); }

    int Run() {
        updated.clear();
        failed.clear();
        host.calls.clear();
        host.pendingCount = 0;
        return engine::RunBackup(request, updated, failed, host, &result);
    }
    void MakeFolder(const std::string& relative) { mkdir((src + "/" + relative).c_str(), 0755); }
    // A fast run from `limit` onto a destination that holds the stamp its last complete run left.
    void FastFrom(int64_t limit) {
        request.DateLimit = limit;
        const int fd = open(request.DestinationFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (!engine::StampHolds(fd, request.LastRunToken))
            request.LastRunToken = engine::RenewStamp(fd, request.LastRunToken);
        close(fd);
    }

    TempFolder dir;
    std::string src;
    std::string dst;
    engine::BackupRequest request;
    engine::BackupResult result;
    engine::PathList updated;
    engine::PathList failed;
    RecordingHost host;
};

using Lines = std::vector<std::string>;

} // namespace hozonix::test
