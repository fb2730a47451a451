#pragma once
// Looks up the destination copies of the files to update on a second thread, ahead of the update loop:
// the thread takes every other folder, so the loop's one kernel call per file is shared between two cores.
//
// Only one answer is ever taken from it: "this copy was up to date". Every other case (missing, older,
// invalid time, not looked up yet) is looked up again by the caller, so writes and questions are decided
// exactly as before. An early "up to date" is trusted only when it is fresh (a few milliseconds old, so
// that a copy changed in place has no more time to slip through than with a look-up on the spot), and
// while the copy's folder is the same folder, unchanged since the look-up (same inode, same change and
// write times: a copy deleted or renamed over shows there) and already quiet when it was looked up,
// since folder times tick coarsely and a change in the same tick would not show.

#include "engine/FileEntry.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace hozonix::engine {

class DestinationLookAhead {
public:
    // `files` must stay unchanged while this object lives. `quietNanoseconds`: how long before the
    // look-up a folder must have last changed for its answers to be used; `maxAgeNanoseconds`: how old an
    // answer may be when it is used; `lead`: how many files at most the thread looks up ahead of the
    // caller, so that its answers are still fresh when a slower caller (a window) comes to them.
    DestinationLookAhead(const FileList& files, const std::string& sourceFolder,
                         const std::string& destinationFolder, int64_t resolution,
                         int64_t quietNanoseconds = 1'000'000'000, int64_t maxAgeNanoseconds = 20'000'000,
                         std::size_t lead = 2048);
    ~DestinationLookAhead();
    DestinationLookAhead(const DestinationLookAhead&) = delete;
    DestinationLookAhead& operator=(const DestinationLookAhead&) = delete;

    // True when the copy of files[index] was found up to date ahead and its folder, open as `folderFd`
    // by the caller, has not changed since. Also tells the thread that the caller has reached `index`.
    bool KnownUpToDate(std::size_t index, int folderFd);
    // The caller has reached files[index], whether it asks about it or not.
    void Reached(std::size_t index) { callerNext_.store(index, std::memory_order_relaxed); }
    // Waits until the thread has looked up everything it will (no more than `lead` files past the caller).
    void Finish();

private:
    struct FolderStamp {
        dev_t device = 0;
        ino_t inode = 0;
        int64_t changed = 0;
        int64_t written = 0;
        bool quiet = false;
    };
    enum State : uint8_t { Unknown, UpToDate, Other };
    // The answers for the files the thread may look up ahead, file i in slot i % ringSize_: tagged with
    // the file's index, so that an answer is only ever taken for its own file.
    struct Slot {
        std::atomic<uint64_t> tag;
        std::atomic<int64_t> lookedUpAt; // monotonic clock, just before the look-up
    };
    static constexpr uint64_t NoTag = UINT64_MAX;

    void LookUp();
    bool SameFolder(const FolderStamp& stamp, int folderFd) const;

    const FileList& files_;
    std::string sourceFolder_;
    std::string destinationFolder_;
    int64_t resolution_;
    int64_t quiet_;
    int64_t maxAge_;
    std::size_t lead_;
    bool enabled_ = false;
    std::vector<FolderStamp> folders_; // per folder run; written by the thread before its answers
    std::size_t ringSize_;
    std::unique_ptr<Slot[]> ring_;
    std::atomic<std::size_t> callerNext_{0}; // the caller looks up everything before this itself
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::size_t checkedFolder_ = SIZE_MAX;
    bool checkedSame_ = false;
};

} // namespace hozonix::engine
