#include "ui/WorkerRunHost.h"
#include "ui/WorkerThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

// Writes down every call as one line.
class CallLog : public engine::RunHost {
public:
    std::vector<std::string> calls;
    void SetStatusText(const std::string& t) override { calls.push_back("status " + t); }
    void SetMainBar(int p) override { calls.push_back("bar " + std::to_string(p)); }
    void ShowProcessDialog(const std::string& c) override { calls.push_back("show " + c); }
    void UpdateProcessDialog(int p, const std::string& u, const std::string& l) override {
        calls.push_back("update " + std::to_string(p) + " " + u + "|" + l);
    }
    void HideProcessDialog() override { calls.push_back("hide"); }
    void ShowMessage(const std::string& t) override { calls.push_back("message " + t); }
    bool AskSkipInvalidDate(const std::string& t) override {
        calls.push_back("ask " + t);
        return true;
    }
    engine::ContinueAnswer AskContinue(const std::string& t) override {
        calls.push_back("continue " + t);
        return engine::ContinueAnswer::NoToAll;
    }
    void ProcessPendingEvents() override { calls.push_back("events"); }
    void SetBusyCursor(bool b) override { calls.push_back(b ? "busy" : "normal"); }
};

} // namespace

// A run on its own thread: what it tells within one frame only replaces itself, and reaches the window on
// the window's thread in the order a person must see it (the dialog before its texts, everything held
// before a question).
TEST(WorkerRunHostTest, ProgressIsHeldAndShownOnTheWindowsThreadQuestionsWaitForTheAnswer) {
    CallLog window;
    WorkerRunHost host(window, 1'000'000); // no frame passes during the test: only questions show
    std::vector<bool> due;
    engine::ContinueAnswer answer = engine::ContinueAnswer::Yes;
    RunOnWorkerThread([&] {
        host.SetStatusText("a");
        host.SetStatusText("b");
        host.ShowProcessDialog("c");
        due.push_back(host.ProgressDue());
        host.UpdateProcessDialog(10, "u1", "l1");
        host.UpdateProcessDialog(20, "u2", "");
        due.push_back(host.ProgressDue());
        answer = host.AskContinue("q");
        due.push_back(host.ProgressDue());
        host.SetMainBar(5);
        host.ShowProcessDialog("d"); // a short step: shown and hidden within one frame, as without a thread
        host.HideProcessDialog();
        host.ProcessPendingEvents();
    });
    EXPECT_EQ(answer, engine::ContinueAnswer::NoToAll);
    EXPECT_EQ(due, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"show c", "status b", "update 20 u2|l1", "continue q"}));
    host.Show();
    EXPECT_EQ(std::vector<std::string>(window.calls.begin() + 4, window.calls.end()),
              (std::vector<std::string>{"show d", "bar 5", "hide"}));

    // An error raised on the run's thread reaches the window's.
    EXPECT_THROW(RunOnWorkerThread([] { throw std::runtime_error("x"); }), std::runtime_error);

    // The run and the threads it starts give way to the window's thread; the window's stays as it was.
    const int windowNice = getpriority(PRIO_PROCESS, 0);
    int run = 0;
    int started = 0;
    RunOnWorkerThread([&] {
        run = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        std::thread([&] { started = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); }).join();
    });
    EXPECT_EQ(run, std::min(windowNice + WorkerNiceness, 19));
    EXPECT_EQ(started, run);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), windowNice);
}

TEST(WorkerRunHostTest, TheFrameTimerShowsWhatAStalledRunLastTold) {
    struct Window : CallLog {
        std::atomic<bool> shown{false};
        void UpdateProcessDialog(int p, const std::string& u, const std::string& l) override {
            CallLog::UpdateProcessDialog(p, u, l);
            shown = true;
        }
    } window;
    WorkerRunHost host(window, 5);
    bool shownDuringStall = false;
    RunOnWorkerThread([&] {
        host.UpdateProcessDialog(40, "コピー中", "/src/big.img");
        // The run now waits on a write that does not return; the window shows its texts all the same.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!window.shown && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        shownDuringStall = window.shown;
    });
    EXPECT_TRUE(shownDuringStall);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"update 40 コピー中|/src/big.img"}));
}
