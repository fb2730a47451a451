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

FileSystemError::FileSystemError(FileAction action, const std::string& path, int err)
    : AppError(path + ": " + SystemErrorText(err)), action_(action), path_(path), error_(err) {}

void ThrowFileError(FileAction action, const std::string& path, int err) {
    throw FileSystemError(action, path, err);
}

} // namespace hozonix
