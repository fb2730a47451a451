#include "base/AppError.h"

#include "base/AtomicFile.h"

#include <cstring>

namespace hozonix {

std::string SystemErrorText(int err) {
    // A pipe, device or socket refused by ReadWholeFile has no errno value of its own.
    if (err == kNotRegularFile)
        return "Not a regular file";
    return std::strerror(err);
}

void ThrowSystemError(const std::string& context, int err) {
    throw AppError(context + ": " + SystemErrorText(err));
}

} // namespace hozonix
