#include "engine/FileError.h"

#include "engine/EngineTexts.h"
#include "engine/FormatText.h"

namespace hozonix::engine {

namespace {

const char* FormatOf(FileError::Step step) {
    switch (step) {
    case FileError::Step::Open:
        return texts::CannotOpenFile;
    case FileError::Step::Create:
        return texts::CannotCreateFile;
    case FileError::Step::Read:
        return texts::CannotReadFile;
    case FileError::Step::Write:
        break;
    }
    return texts::CannotWriteFile;
}

} // namespace

FileError::FileError(Step step, const std::string& path, int error)
    : AppError(FormatText(FormatOf(step), path.c_str()) +
               (error != 0 ? texts::LineBreak + SystemErrorText(error) : std::string())),
      step_(step), error_(error) {}

std::string FileError::Reason() const {
    return error_ == 0 ? std::string() : SystemErrorText(error_);
}

} // namespace hozonix::engine
