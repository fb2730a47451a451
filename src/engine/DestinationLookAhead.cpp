#include "engine/DestinationLookAhead.h"

#include "engine/FileTimes.h"
#include "engine/FolderCache.h"
#include "engine/PathText.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

int64_t ChangedOf(const struct stat& st) {
    return StampOf(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
}
int64_t WrittenOf(const struct stat& st) {
    return StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

int64_t Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return StampOf(ts.tv_sec, ts.tv_nsec);
}

int64_t Monotonic() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return StampOf(ts.tv_sec, ts.tv_nsec);
}

} // namespace

DestinationLookAhead::DestinationLookAhead(const FileList& files, const std::string& sourceFolder,
                                           const std::string& destinationFolder, int64_t resolution,
                                           int64_t quietNanoseconds, int64_t maxAgeNanoseconds,
                                           std::size_t lead)
    : files_(files), sourceFolder_(sourceFolder), destinationFolder_(destinationFolder),
      resolution_(resolution), quiet_(quietNanoseconds), maxAge_(maxAgeNanoseconds), lead_(lead),
      ringSize_(lead + 2), ring_(new Slot[lead + 2]) {
    // Coarse file systems may not keep folder change times that show every change: no look-ahead there.
    if (files.empty() || resolution != 1)
        return;
    enabled_ = true;
    folders_.resize(files.FolderRunCount());
    for (std::size_t i = 0; i < ringSize_; ++i)
        ring_[i].tag.store(NoTag, std::memory_order_relaxed);
    thread_ = std::thread([this] { LookUp(); });
}

DestinationLookAhead::~DestinationLookAhead() {
    stop_ = true;
    Finish();
}

void DestinationLookAhead::Finish() {
    if (thread_.joinable())
        thread_.join();
}

void DestinationLookAhead::LookUp() {
    // Folders one name at a time and never through a link, as the update loop opens them.
    FolderCache destinations(destinationFolder_, false, FolderCache::Links::Refuse);
    int fd = -1;
    std::size_t open = SIZE_MAX;
    const std::size_t count = files_.size();
    const auto startOf = [&](std::size_t folder) {
        return folder < files_.FolderRunCount() ? files_.FirstOfRun(folder) : count;
    };
    // Folders are shared out: the caller looks up one while this thread looks up the next, never both in
    // the same folder, where they would slow each other down.
    std::optional<FileList::Cursor> file; // at file i
    std::size_t i = startOf(1);
    while (i < count && !stop_.load(std::memory_order_relaxed)) {
        const std::size_t callerNext = callerNext_.load(std::memory_order_relaxed);
        if (i < callerNext) { // fallen behind: start again in the folder after the caller's
            i = startOf(files_.FolderRunOf(std::min(callerNext, count - 1)) + 1);
            continue;
        }
        if (i > callerNext + lead_) { // far enough ahead: answers made now would be stale when used
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            continue;
        }
        if (!file || file->Index() != i)
            file.emplace(files_, i);
        const std::size_t folder = file->Run();
        if (folder != open) {
            open = folder;
            fd = destinations.Open(
                FolderOf(DestinationPathOf(file->Path(), sourceFolder_, destinationFolder_)));
            struct stat st {};
            if (fd >= 0 && fstat(fd, &st) == 0) {
                // Stamped before any file of it is looked up, so a later change shows.
                FolderStamp& stamp = folders_[folder];
                stamp.device = st.st_dev;
                stamp.inode = st.st_ino;
                stamp.changed = ChangedOf(st);
                stamp.written = WrittenOf(st);
                stamp.quiet = std::max(stamp.changed, stamp.written) + quiet_ < Now();
            } else {
                fd = -1;
            }
        }
        State state = Other;
        const int64_t lookedUpAt = Monotonic();
        struct stat st {};
        if (fd >= 0 && folders_[folder].quiet &&
            fstatat(fd, file->Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            IsValidFileTime(WrittenOf(st)) &&
            IsCopyUpToDate(WrittenOf(st), st.st_size, file->WriteTime(), file->Size(), resolution_))
            state = UpToDate;
        // The slot is free: the caller is past the file that had it (the ring is longer than the lead).
        Slot& slot = ring_[i % ringSize_];
        slot.lookedUpAt.store(lookedUpAt, std::memory_order_relaxed);
        slot.tag.store(static_cast<uint64_t>(i) << 2 | state, std::memory_order_release);
        if (i + 1 < startOf(folder + 1)) {
            file->Next();
            ++i;
        } else {
            i = startOf(folder + 2);
        }
    }
}

bool DestinationLookAhead::KnownUpToDate(std::size_t index, int folderFd) {
    if (index >= files_.size() || !enabled_)
        return false;
    callerNext_.store(index + 1, std::memory_order_relaxed);
    const Slot& slot = ring_[index % ringSize_];
    if (slot.tag.load(std::memory_order_acquire) != (static_cast<uint64_t>(index) << 2 | UpToDate) ||
        Monotonic() - slot.lookedUpAt.load(std::memory_order_relaxed) > maxAge_)
        return false;
    const std::size_t folder = files_.FolderRunOf(index);
    if (folder != checkedFolder_) {
        checkedFolder_ = folder;
        checkedSame_ = SameFolder(folders_[folder], folderFd);
    }
    return checkedSame_;
}

bool DestinationLookAhead::SameFolder(const FolderStamp& stamp, int folderFd) const {
    struct stat st {};
    return folderFd >= 0 && fstat(folderFd, &st) == 0 && stamp.quiet && st.st_dev == stamp.device &&
           st.st_ino == stamp.inode && ChangedOf(st) == stamp.changed && WrittenOf(st) == stamp.written;
}

} // namespace hozonix::engine
