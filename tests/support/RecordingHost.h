#pragma once
// A RunHost for tests: records every call in order and answers the questions from a script. A hook on
// "let pending events be handled" stands in for the user pressing the abort button at a chosen moment.

#include "engine/RunHost.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace hozonix::test {

class RecordingHost : public engine::RunHost {
public:
    struct Call {
        std::string kind; // status, bar, show, update, hide, message, askDate, askContinue, busy
        int number = 0;
        std::string upper;
        std::string lower;
    };

    void SetStatusText(const std::string& text) override { calls.push_back({"status", 0, text, ""}); }
    void SetMainBar(int percent) override { calls.push_back({"bar", percent, "", ""}); }
    void ShowProcessDialog(const std::string& caption) override { calls.push_back({"show", 0, caption, ""}); }
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower) override {
        calls.push_back({"update", position, upper, lower});
        if (onUpdate)
            onUpdate(calls.back());
    }
    void HideProcessDialog() override { calls.push_back({"hide", 0, "", ""}); }
    bool ProgressDue() override { return progressDue; }
    void ShowMessage(const std::string& text) override { calls.push_back({"message", 0, text, ""}); }
    bool AskSkipInvalidDate(const std::string& text) override {
        calls.push_back({"askDate", 0, text, ""});
        bool answer = skipAnswers.empty() ? true : skipAnswers.front();
        if (!skipAnswers.empty())
            skipAnswers.pop_front();
        return answer;
    }
    engine::ContinueAnswer AskContinue(const std::string& text) override {
        calls.push_back({"askContinue", 0, text, ""});
        engine::ContinueAnswer answer =
            continueAnswers.empty() ? engine::ContinueAnswer::Yes : continueAnswers.front();
        if (!continueAnswers.empty())
            continueAnswers.pop_front();
        return answer;
    }
    void ProcessPendingEvents() override {
        ++pendingCount;
        if (onPending)
            onPending(pendingCount);
    }
    void SetBusyCursor(bool busy) override { calls.push_back({"busy", busy ? 1 : 0, "", ""}); }
    void ScanTakesLong() override { calls.push_back({"scanLong", 0, "", ""}); }

    // The calls of one kind, in order.
    std::vector<Call> Of(const std::string& kind) const {
        std::vector<Call> out;
        for (const Call& c : calls) {
            if (c.kind == kind)
                out.push_back(c);
        }
        return out;
    }
    std::vector<std::string> Texts(const std::string& kind) const {
        std::vector<std::string> out;
        for (const Call& c : Of(kind))
            out.push_back(c.upper);
        return out;
    }

    std::vector<Call> calls;
    std::deque<bool> skipAnswers;
    std::deque<engine::ContinueAnswer> continueAnswers;
    std::function<void(int)> onPending;
    std::function<void(const Call&)> onUpdate;
    int pendingCount = 0;
    bool progressDue = true; // false: a window that would not show one more file's texts
};

} // namespace hozonix::test
