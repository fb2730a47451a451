#include "report/PageFile.h"

#include "base/AppError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace hozonix::report {

namespace {

constexpr const char* kWriteFailure = "レポートの一時ファイルに書き込めません\r\n";
constexpr const char* kReadFailure = "レポートの一時ファイルを読み込めません\r\n";

// An unnamed read-write file in `folder`, or -1 with errno set.
int OpenUnnamed(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without unnamed files: a named one, unlinked at once.
        std::string path = folder + "/.hozonix-pages-XXXXXX";
        fd = mkostemp(path.data(), O_CLOEXEC);
        if (fd >= 0)
            unlink(path.c_str());
    }
    return fd;
}

std::string SystemTemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

} // namespace

std::string PageFile::Folder() const {
    return folder_.empty() ? SystemTemporaryFolder() : folder_;
}

void PageFile::Open() {
    const std::string folder = Folder();
    int fd = OpenUnnamed(folder);
    const int err = errno;
    // A data folder whose "TEMP" went missing or filled up: the system's folder will do.
    if (fd < 0 && folder != SystemTemporaryFolder())
        fd = OpenUnnamed(SystemTemporaryFolder());
    if (fd < 0)
        ThrowSystemError(kWriteFailure + folder + "\r\n", err);
    fd_.reset(fd);
    end_ = 0;
}

void PageFile::Add(PageRecord page) {
    try {
        CheckPage(page);
    } catch (const PageFormatError&) {
        // Reading back would refuse it: a page beyond what a file may hold stays in memory.
        index_.emplace_back(0, 0);
        pinned_.emplace(index_.size() - 1, std::make_shared<const PageRecord>(std::move(page)));
        return;
    }
    if (fd_.get() < 0)
        Open();
    std::string bytes;
    EncodePage(page, bytes);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pwrite(fd_.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(end_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            ThrowSystemError(kWriteFailure + Folder() + "\r\n", err);
        }
        done += static_cast<std::size_t>(n);
    }
    index_.emplace_back(end_, static_cast<std::uint32_t>(bytes.size()));
    end_ += bytes.size();
    Remember(index_.size() - 1, std::make_shared<const PageRecord>(std::move(page)));
}

std::shared_ptr<const PageRecord> PageFile::Get(std::size_t i) const {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->first == i) {
            cache_.splice(cache_.begin(), cache_, it);
            return cache_.front().second;
        }
    }
    const auto [offset, length] = index_.at(i);
    if (length == 0)
        return pinned_.at(i);
    std::string bytes(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n =
            pread(fd_.get(), bytes.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ThrowSystemError(kReadFailure + Folder() + "\r\n", n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    auto page = std::make_shared<const PageRecord>(DecodePage(bytes));
    Remember(i, page);
    return page;
}

void PageFile::Remember(std::size_t i, std::shared_ptr<const PageRecord> page) const {
    cache_.emplace_front(i, std::move(page));
    if (cache_.size() > CachedPages)
        cache_.pop_back();
}

void PageFile::Clear() {
    cache_.clear();
    pinned_.clear();
    index_ = {};
    fd_.reset();
    end_ = 0;
}

} // namespace hozonix::report
