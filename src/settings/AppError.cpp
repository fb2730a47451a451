#include "AppError.h"

#include <cstring>

namespace hozonix {

std::string SystemErrorText(int err) {
    return std::strerror(err);
}

void ThrowSystemError(const std::string& context, int err) {
    throw AppError(context + ": " + SystemErrorText(err));
}

} // namespace hozonix
