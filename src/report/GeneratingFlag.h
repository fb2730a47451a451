#pragma once
// Clears a report's generating flag however a generation ends.

#include <atomic>

namespace hozonix::report {

class GeneratingFlag {
public:
    explicit GeneratingFlag(std::atomic<bool>& flag) : flag_(flag) {}
    ~GeneratingFlag() { flag_ = false; }
    GeneratingFlag(const GeneratingFlag&) = delete;
    GeneratingFlag& operator=(const GeneratingFlag&) = delete;

private:
    std::atomic<bool>& flag_;
};

} // namespace hozonix::report
