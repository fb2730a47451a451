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

// The platform's text for an errno value (and for AtomicFile's kNotRegularFile).
std::string SystemErrorText(int err);

} // namespace hozonix
