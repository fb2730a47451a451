#pragma once
// An error of one file's copy that ends the run, with what failed and the system's reason, so that a run
// asked to keep going can list the file as failed instead.

#include "base/AppError.h"

namespace hozonix::engine {

class FileError : public AppError {
public:
    enum class Step { Open, Create, Read, Write };

    // The message is the step's text ("Cannot open file %s" ...) with `path`, and the system's reason on a
    // line of its own.
    FileError(Step step, const std::string& path, int error);

    Step step() const { return step_; }
    int error() const { return error_; } // errno value, 0 when unknown
    // The system's reason alone ("" when unknown).
    std::string Reason() const;

private:
    Step step_;
    int error_;
};

} // namespace hozonix::engine
