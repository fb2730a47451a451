#pragma once
// The share log-on asked on the window's thread for work on a thread of its own (a run, a check, a
// restore).

#include "shares/ShareConnection.h"
#include "ui/WorkerRunHost.h"

#include <optional>
#include <string>
#include <vector>

namespace hozonix::ui {

class WindowThreadPrompt : public shares::CredentialPrompt {
public:
    WindowThreadPrompt(WorkerRunHost& host, shares::CredentialPrompt& prompt)
        : host_(host), prompt_(prompt) {}
    std::optional<shares::Credentials> Ask(const std::string& shareText, const std::string& message,
                                           const shares::Credentials& suggested,
                                           bool anonymousAllowed) override {
        return host_.OnWindowThread(
            [&] { return prompt_.Ask(shareText, message, suggested, anonymousAllowed); });
    }
    int Choose(const std::string& shareText, const std::string& message,
               const std::vector<std::string>& choices) override {
        return host_.OnWindowThread([&] { return prompt_.Choose(shareText, message, choices); });
    }

private:
    WorkerRunHost& host_;
    shares::CredentialPrompt& prompt_;
};

} // namespace hozonix::ui
