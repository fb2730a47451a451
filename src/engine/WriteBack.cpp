#include "engine/WriteBack.h"

#include <fcntl.h>
#include <unistd.h>

namespace hozonix::engine {

WriteBack::WriteBack(const std::string& folder, int64_t batchBytes) : batch_(batchBytes) {
    fd_.reset(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

WriteBack::~WriteBack() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void WriteBack::Wrote(int64_t bytes) {
    if (fd_.get() < 0)
        return;
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        pending_ += bytes;
        wake = pending_ >= batch_;
        // Started on the first batch only: a run that writes little never has the thread.
        if (wake && !thread_.joinable())
            thread_ = std::thread([this] { Work(); });
    }
    if (wake)
        wake_.notify_one();
}

void WriteBack::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || pending_ >= batch_; });
        if (stop_)
            return;
        pending_ = 0;
        lock.unlock();
        syncfs(fd_.get()); // errors are the run's own flush's to report
        lock.lock();
    }
}

} // namespace hozonix::engine
