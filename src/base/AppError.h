#pragma once
// The one error type that ends a command. The application's default error handler shows what() in the
// plain message box and the program goes on.

#include <stdexcept>
#include <string>

namespace hozonix {

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

// Raises an AppError whose text is `context` followed by the platform's text for `err` (an errno value).
[[noreturn]] void ThrowSystemError(const std::string& context, int err);

// What a file operation that failed was doing, so that each program can word the message its own way.
enum class FileAction { Read, Write, MakeFolder };

// A file operation refused by the system. what() is the path, ": " and the platform's text, as
// ThrowSystemError gives it; the desktop program words its own message from the parts of the error.
class FileSystemError : public AppError {
public:
    FileSystemError(FileAction action, const std::string& path, int err);

    FileAction Action() const { return action_; }
    const std::string& Path() const { return path_; }
    int Error() const { return error_; }

private:
    FileAction action_;
    std::string path_;
    int error_;
};

[[noreturn]] void ThrowFileError(FileAction action, const std::string& path, int err);

// The platform's text for an errno value (and for AtomicFile's kNotRegularFile).
std::string SystemErrorText(int err);

} // namespace hozonix
