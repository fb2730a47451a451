#include "ui/CoalescingRunHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
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

TEST(CoalescingRunHostTest, WithinAFrameOnlyTheLatestOutputsReachTheWindowBeforeAnythingShown) {
    CallLog window;
    CoalescingRunHost host(window, 3'600'000);
    host.ShowProcessDialog("");
    host.SetStatusText("1 file");
    host.UpdateProcessDialog(1, "upper 1", "");
    host.ProcessPendingEvents(); // the first one passes at once
    host.SetStatusText("2 files");
    host.SetStatusText("3 files");
    host.SetMainBar(40);
    host.UpdateProcessDialog(40, "upper 2", "lower 2");
    host.UpdateProcessDialog(50, "", "");
    host.ProcessPendingEvents(); // held: the frame has not passed
    EXPECT_EQ(window.calls.size(), 4u);
    EXPECT_EQ(host.AskContinue("continue?"), engine::ContinueAnswer::NoToAll);
    host.SetStatusText("last");
    host.HideProcessDialog();
    host.Flush();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"show ", "status 1 file", "update 1 upper 1|", "events",
                                                      "status 3 files", "bar 40", "update 50 upper 2|lower 2",
                                                      "continue continue?", "status last", "hide"}));
}

TEST(CoalescingRunHostTest, EventsPassOncePerFrame) {
    CallLog window;
    CoalescingRunHost host(window, 0);
    host.ProcessPendingEvents();
    host.ProcessPendingEvents();
    host.ShowMessage("x");
    host.SetBusyCursor(true);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"events", "events", "message x", "busy"}));
}

TEST(CoalescingRunHostTest, TextsAreDueOncePerFrameAndThenShownAtTheNextEvents) {
    CallLog window;
    CoalescingRunHost host(window, 20);
    EXPECT_TRUE(host.ProgressDue());
    host.ProcessPendingEvents();
    EXPECT_FALSE(host.ProgressDue());
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(host.ProgressDue());
    host.UpdateProcessDialog(7, "upper", "lower");
    host.ProcessPendingEvents();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"events", "update 7 upper|lower", "events"}));
    EXPECT_FALSE(host.ProgressDue());
}
