#pragma once
// An open file descriptor, closed when it goes out of scope unless released. Every place that owns a
// descriptor for a scope or an object holds it in one of these.

#include <unistd.h>
#include <utility>

namespace hozonix {

class ScopedFd {
public:
    ScopedFd() = default;
    explicit ScopedFd(int fd) : fd_(fd) {}
    ~ScopedFd() { reset(); }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    ScopedFd(ScopedFd&& other) noexcept : fd_(other.release()) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held (if any) and takes `fd` in its place.
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now, for a caller that must know whether the close succeeded (some file systems report a
    // failed write only there): close()'s result, with errno set by it.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_ = -1;
};

} // namespace hozonix
