#pragma once
// The application's default error handler: an error that ends a command is shown in the plain message
// box with its text, and the program goes on. Every handler of a window runs its work through
// RunCommand, so that no exception ever crosses Qt's event dispatch.

#include "base/MessageBoxService.h"

#include <exception>
#include <string>
#include <utility>

namespace hozonix {
class FileSystemError;
}

namespace hozonix::ui {

// The desktop's words for errors the core words in English for the runner: a failed read, save or
// folder creation with the system's reason in brackets, and a stored last-run time that is no date.
std::string FileErrorText(const FileSystemError& error);
std::string InvalidStoredTimeText(const std::string& stored);
// The system's text for an errno value (and for a path that is no regular file).
std::string SystemReasonText(int err);

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
