#pragma once
// A message-box service for tests: records every box and answers from a script (Ok when the script is
// empty and the box offers it, otherwise the first offered button of Yes, No, Cancel).

#include "base/MessageBoxService.h"

#include <deque>
#include <string>
#include <vector>

namespace hozonix::test {

class ScriptedMessageBox : public MessageBoxService {
public:
    struct Shown {
        MessageKind kind;
        std::string text;
        unsigned buttons;
    };

    MessageButton Show(MessageKind kind, const std::string& text, unsigned buttons) override {
        shown.push_back({kind, text, buttons});
        if (!answers.empty()) {
            MessageButton a = answers.front();
            answers.pop_front();
            return a;
        }
        if (buttons & OkButton)
            return MessageButton::Ok;
        if (buttons & YesButton)
            return MessageButton::Yes;
        if (buttons & NoButton)
            return MessageButton::No;
        return MessageButton::Cancel;
    }

    std::deque<MessageButton> answers;
    std::vector<Shown> shown;
};

} // namespace hozonix::test
