#pragma once
// The application's default error handler: an error that ends a command is shown in the plain message
// box with its text, and the program goes on. Every handler of a window runs its work through
// RunCommand, so that no exception ever crosses Qt's event dispatch.

#include "base/MessageBoxService.h"

#include <exception>
#include <utility>

namespace hozonix::ui {

// Shows the error currently being handled (call from inside a catch block).
void ShowCurrentError(MessageBoxService& messages) noexcept;

template <typename Command> void RunCommand(MessageBoxService& messages, Command&& command) noexcept {
    try {
        std::forward<Command>(command)();
    } catch (...) {
        ShowCurrentError(messages);
    }
}

} // namespace hozonix::ui
