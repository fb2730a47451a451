#include "engine/CopyAhead.h"

#include "engine/CopyFile.h"
#include "engine/FileMetadata.h"
#include "engine/FileTimes.h"
#include "engine/FolderCache.h"
#include "engine/PathText.h"
#include "engine/Recovery.h"
#include "engine/RunHost.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hozonix::engine {

CopyAhead::CopyAhead(const FileList& files, const std::string& sourceFolder,
                     const std::string& destinationFolder, int64_t recoveryThreshold, Limits limits,
                     const std::atomic<bool>& abort)
    : files_(files), sourceFolder_(sourceFolder), destinationFolder_(destinationFolder),
      recoveryThreshold_(recoveryThreshold), limits_(limits), abort_(abort),
      states_(new std::atomic<uint8_t>[files.size()]()) {
    if (!files.empty() && limits_.files > 0)
        thread_ = std::thread([this] { Work(); });
    else
        ended_ = true;
}

CopyAhead::~CopyAhead() {
    Release();
}

bool CopyAhead::Release() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    DropBefore(files_.size());
    // The thread may have given back its room itself on finding the disk full, just after the caller's
    // copy failed for the lack of it: what counts is whether it has held any.
    return std::exchange(madeAny_, false);
}

int CopyAhead::Take(std::size_t index) {
    if (index >= files_.size())
        return -1;
    Reached(index);
    std::atomic<uint8_t>& state = states_[index];
    uint8_t seen = Open;
    bool claimed = false;
    if (!state.compare_exchange_strong(seen, Claimed, std::memory_order_acq_rel)) {
        while (seen == Working) {
            state.wait(Working, std::memory_order_acquire);
            seen = state.load(std::memory_order_acquire);
        }
        claimed = seen == Ready && state.compare_exchange_strong(seen, Claimed, std::memory_order_acq_rel);
    }
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        if (claimed) {
            fd = descriptors_.extract(index).mapped();
            --held_;
            heldBytes_ -= files_.Size(index);
        }
        reach_ = std::max(reach_, std::min(index + limits_.reach, files_.size()));
        idle_ = false;
    }
    wake_.notify_one();
    return fd;
}

std::size_t CopyAhead::Held() {
    std::lock_guard lock(mutex_);
    return held_;
}

void CopyAhead::WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    idleChanged_.wait(lock, [&] { return idle_ || ended_; });
}

bool CopyAhead::Candidate(const FileEntry& entry) const {
    return entry.size <= ProgressThreshold && !IsParked(entry.size, recoveryThreshold_) && entry.timesValid;
}

bool CopyAhead::Room() const {
    return held_ < limits_.files && heldBytes_ < limits_.bytes;
}

void CopyAhead::Drop(std::size_t index) {
    uint8_t seen = Ready;
    if (states_[index].compare_exchange_strong(seen, Claimed, std::memory_order_acq_rel)) {
        close(descriptors_.extract(index).mapped()); // unnamed: the copy is gone with it
        --held_;
        heldBytes_ -= files_.Size(index);
    }
}

void CopyAhead::DropBefore(std::size_t end) {
    for (; dropped_ < end; ++dropped_)
        Drop(dropped_);
}

void CopyAhead::Work() {
    CopyFiles();
    std::lock_guard lock(mutex_);
    ended_ = true;
    idleChanged_.notify_all();
}

void CopyAhead::CopyFiles() {
    const int root = open(destinationFolder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return;
    FolderCache sources(sourceFolder_, false);
    FolderCache destinations(destinationFolder_, false, FolderCache::Links::Refuse);
    std::string folder;
    int folderFd = -1;
    const std::size_t count = files_.size();
    std::size_t next = 0;
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] {
                // Copies the loop has passed without taking are of no more use.
                DropBefore(std::min(position_.load(std::memory_order_relaxed), count));
                // Never right in front of the loop, which would then wait for the copy in hand.
                next = std::max(next, position_.load(std::memory_order_relaxed) + limits_.gap);
                const bool go = stop_ || next >= count || (next < reach_ && Room());
                if (!go) {
                    idle_ = true;
                    idleChanged_.notify_all();
                }
                return go;
            });
            if (stop_ || next >= count)
                break;
            index = next++;
        }
        if (abort_.load(std::memory_order_relaxed))
            break;
        const FileEntry& entry = files_[index];
        if (!Candidate(entry))
            continue;
        const std::string target = DestinationPathOf(entry.path, sourceFolder_, destinationFolder_);
        std::string targetFolder = FolderOf(target);
        if (targetFolder != folder) {
            folder = std::move(targetFolder);
            folderFd = destinations.Open(folder);
        }
        // The loop creates missing folders; until then the copy waits unnamed at the root.
        struct stat st {};
        if (folderFd < 0 && destinations.Error() != ENOENT)
            continue; // a link where a folder should be: the loop lists the file as failed
        if (folderFd >= 0 &&
            (fstatat(folderFd, FileNameOf(target).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT))
            continue;
        uint8_t seen = Open;
        if (!states_[index].compare_exchange_strong(seen, Working, std::memory_order_acq_rel))
            continue; // the loop got there first

        bool fatal = false;
        int out = -1;
        const int sourceFolderFd = sources.Open(FolderOf(entry.path));
        const int in = sourceFolderFd < 0 ? -1
                                          : openat(sourceFolderFd, FileNameOf(entry.path).c_str(),
                                                   O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat source {};
        // A source that is gone or unreadable is the loop's to report.
        if (in >= 0 && fstat(in, &source) == 0 && S_ISREG(source.st_mode)) {
            // Unnamed, so that nobody else can open it: made with its final permission bits at once.
            out = openat(folderFd >= 0 ? folderFd : root, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC,
                         UnnamedModeFor(source.st_mode));
            try {
                if (out < 0 || !FillTarget(in, source, entry.path, out, target, entry.size, nullptr, true))
                    fatal = true;
            } catch (const std::exception&) {
                fatal = true; // a full disk, or no unnamed files here: the loop carries on alone
            }
            if (fatal && out >= 0)
                close(out);
        }
        if (in >= 0)
            close(in);
        {
            std::lock_guard lock(mutex_);
            if (!fatal && out >= 0) {
                descriptors_[index] = out;
                madeAny_ = true;
                ++held_;
                heldBytes_ += entry.size;
                states_[index].store(Ready, std::memory_order_release);
            } else {
                states_[index].store(Declined, std::memory_order_release);
            }
            if (fatal) {
                stop_ = true;
                DropBefore(count);
            }
        }
        states_[index].notify_all();
        if (fatal)
            break;
    }
    close(root);
}

} // namespace hozonix::engine
