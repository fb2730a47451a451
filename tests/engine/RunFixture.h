#pragma once
// Shared set-up for backup-run tests: a source and a destination folder under a private temporary
// folder, a recording host and the two result lists.

#include "engine/RunBackup.h"

#include "EngineFiles.h"
#include "RecordingHost.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace hozonix::test {

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        engine::AbortRequested = false;
        src = dir / "src";
        dst = dir / "dst";
        mkdir(src.c_str(), 0755);
        mkdir(dst.c_str(), 0755);
        request.SourceFolder = src;
        request.DestinationFolder = dst;
    }
    void TearDown() override { engine::AbortRequested = false; }

    int Run() {
        updated.clear();
        failed.clear();
        host.calls.clear();
        host.pendingCount = 0;
        return engine::RunBackup(request, updated, failed, host, &result);
    }
    void MakeFolder(const std::string& relative) { mkdir((src + "/" + relative).c_str(), 0755); }

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
