#pragma once
// Keeps the disk writing back what a run writes while the run goes on, so that the flush that makes the
// run durable at its end has little left to wait for. One thread, asleep until enough has been written
// since its last flush; its flushes only save time: the run's own flush at the end is what counts and
// reports any error.

#include "base/ScopedFd.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace hozonix::engine {

class WriteBack {
public:
    // `folder`: the destination, whose file system is flushed. Nothing happens when it cannot be opened.
    explicit WriteBack(const std::string& folder, int64_t batchBytes = 32 << 20);
    ~WriteBack();
    WriteBack(const WriteBack&) = delete;
    WriteBack& operator=(const WriteBack&) = delete;

    // The run has written `bytes` more.
    void Wrote(int64_t bytes);

private:
    void Work();

    ScopedFd fd_;
    int64_t batch_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int64_t pending_ = 0; // guarded by mutex_
    bool stop_ = false;   // guarded by mutex_
    std::thread thread_;
};

} // namespace hozonix::engine
