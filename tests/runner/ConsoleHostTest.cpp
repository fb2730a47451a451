#include "runner/ConsoleHost.h"

#include "engine/EngineTexts.h"
#include "runner/Interrupt.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace hozonix::runner {

namespace {

// A FILE* whose text the test can read back.
class Capture {
public:
    Capture() : file_(open_memstream(&data_, &size_)) {}
    ~Capture() {
        std::fclose(file_);
        std::free(data_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    std::FILE* file() { return file_; }
    std::string Text() {
        std::fflush(file_);
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

class ConsoleHostTest : public ::testing::Test {
protected:
    ConsoleHost Make(OutputStyle style) {
        return ConsoleHost(out.file(), err.file(), style, [this] { return now; });
    }
    void TearDown() override { Interrupted = false; }
    Capture out;
    Capture err;
    double now = 100.0;
    engine::BackupResult figures;
};

} // namespace

TEST_F(ConsoleHostTest, PlainLinesForALog) {
    ConsoleHost host = Make(OutputStyle::Plain);
    host.BeginRun("Docs", &figures);
    host.SetStatusText("");
    host.SetStatusText("3のファイルを検査中です･･････････");
    host.SetStatusText("3のファイルを検査中です･･････････"); // repeated: once is enough
    host.UpdateProcessDialog(50, "/s/a.txt" + std::string(engine::texts::Inspecting), "");
    host.SetStatusText("/s/a\033.txt をコピー中.");
    EXPECT_EQ(out.Text(), "Docs: 3のファイルを検査中です･･････････\nDocs: /s/a\033.txt をコピー中.\n");
    EXPECT_EQ(err.Text(), "");
    EXPECT_FALSE(host.ProgressDue()); // no line shows the file in hand
}

TEST_F(ConsoleHostTest, QuietShowsOnlyMessagesAndAnswersAlone) {
    ConsoleHost host = Make(OutputStyle::Quiet);
    host.BeginRun("Docs", &figures);
    host.SetStatusText("3のファイルを検査中です･･････････");
    host.ShowMessage("ファイル= /s/x ありません");
    EXPECT_TRUE(host.AskSkipInvalidDate("日付不正\r\nファイル名＝/s/y"));
    EXPECT_EQ(host.AskContinue("続けますか？\r\n/s/z"), engine::ContinueAnswer::NoToAll);
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(err.Text(), "ファイル= /s/x ありません\n日付不正\nファイル名＝/s/y\n-> the file is skipped\n"
                          "続けますか？\n/s/z\n-> the run ends\n");
}

TEST_F(ConsoleHostTest, LiveLineFollowsTheRun) {
    ConsoleHost host = Make(OutputStyle::Live);
    host.SetColumns(70);
    host.BeginRun("Docs", &figures);
    EXPECT_EQ(out.Text(), "\rDocs: scanning the source folder\033[K");

    host.ShowProcessDialog("");
    host.SetMainBar(40);
    host.UpdateProcessDialog(40, "/src/a.txt" + std::string(engine::texts::Inspecting), "");
    EXPECT_EQ(host.ProgressLine(), "Docs: checking 40%  /src/a.txt");

    figures.FilesFound = 5;
    figures.FilesExcluded = 1;
    figures.BytesTotal = 10'000'000;
    host.SetStatusText(std::string("4") + engine::texts::UpdatingFiles);
    figures.FilesWritten = 1;
    figures.FilesSkipped = 1;
    figures.BytesWritten = 2'000'000;
    now += 2.0;
    host.UpdateProcessDialog(30, "/src/big.img" + std::string(engine::texts::Copying),
                             "コピー済  3000.00 Kバイト/6000.00 Kバイト  50.0%");
    EXPECT_EQ(host.ProgressLine(), "Docs: 2/4 files  5.00 MB / 10.0 MB  2.50 MB/s  /src/big.img");
    // Once the file counts as written, its partial bytes are not counted twice.
    figures.BytesWritten = 8'000'000;
    host.UpdateProcessDialog(80, "/src/big.img" + std::string(engine::texts::Copied),
                             "コピー済  80.0% [コピー済 2 / 4]");
    EXPECT_EQ(host.ProgressLine(), "Docs: 2/4 files  8.00 MB / 10.0 MB  4.00 MB/s  /src/big.img");

    host.SetColumns(59); // too narrow to show the path usefully: it is left out
    EXPECT_EQ(host.ProgressLine(), "Docs: 2/4 files  8.00 MB / 10.0 MB  4.00 MB/s");

    // Redraws are limited to ten a second, and a message first clears the line.
    const std::string before = out.Text();
    host.UpdateProcessDialog(81, "/src/big.img" + std::string(engine::texts::Copied), "");
    EXPECT_EQ(out.Text(), before);
    host.ShowMessage("note");
    EXPECT_EQ(out.Text(), before + "\r\033[K");
    EXPECT_EQ(err.Text(), "note\n");

    // Between redraws the engine need not make a file's texts; once they are due, the next update shows
    // them, whatever the clock says by then.
    host.SetColumns(70);
    EXPECT_FALSE(host.ProgressDue());
    now += 0.25;
    EXPECT_TRUE(host.ProgressDue());
    now -= 0.2;
    host.UpdateProcessDialog(90, "/src/c.txt" + std::string(engine::texts::Inspecting), "");
    EXPECT_NE(out.Text().find("/src/c.txt"), std::string::npos);
    EXPECT_FALSE(host.ProgressDue());
}

TEST_F(ConsoleHostTest, SignalBeforeTheRunStillStopsIt) {
    ConsoleHost host = Make(OutputStyle::Quiet);
    host.ClearAbortRequest(); // what a run does as it starts
    host.ProcessPendingEvents();
    EXPECT_FALSE(host.AbortRequested());
    Interrupted = true;
    host.ProcessPendingEvents();
    EXPECT_TRUE(host.AbortRequested());
}

} // namespace hozonix::runner
