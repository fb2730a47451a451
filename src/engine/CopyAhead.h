#pragma once
// Copies small new files on a second thread, ahead of the update loop, into unnamed files that the
// loop then only has to link in: a full copy of many small files is bound by kernel work, which two
// cores share this way.
//
// Nothing becomes visible before the loop links it, so the loop still decides every write, in its
// order, with its texts and questions; a copy it passes by or an aborted run leaves nothing behind.
// Only files that show no progress, are not parked and have no copy yet are copied ahead. Whatever the
// thread does not finish cleanly is left to the loop, which copies it itself and reports any error.
// The thread stays idle until the loop writes new files, so runs with nothing new pay nothing for it.

#include "engine/FileEntry.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace hozonix::engine {

class CopyAhead {
public:
    struct Limits {
        std::size_t files = 128;  // finished copies held at most, each an open descriptor
        int64_t bytes = 16 << 20; // and their bytes, which take room on the destination
        std::size_t gap = 8;      // files left to the loop before the next one taken ahead
        std::size_t reach = 512;  // how far past the loop's last new file the thread may go
    };

    // `files` must stay unchanged while this object lives. Files over `recoveryThreshold` bytes (when it
    // is positive) are parked by the loop and never copied ahead. The thread stops taking files once
    // `abort` (the run's abort request) is set.
    CopyAhead(const FileList& files, const std::string& sourceFolder, const std::string& destinationFolder,
              int64_t recoveryThreshold, Limits limits, const std::atomic<bool>& abort);
    ~CopyAhead();
    CopyAhead(const CopyAhead&) = delete;
    CopyAhead& operator=(const CopyAhead&) = delete;

    // The loop has reached files[index].
    void Reached(std::size_t index) { position_.store(index, std::memory_order_relaxed); }
    // The loop is about to write files[index] as a new file: the unnamed copy made of it, to be linked
    // in (on the same file system as the destination root), or -1 when the loop must copy it itself.
    // Waits for a copy in progress. The caller owns the descriptor returned.
    int Take(std::size_t index);
    // Drops every copy held and stops the thread, so that the loop's own copy gets their room on a
    // destination that is filling up. True on the first call after any copy was made ahead: then the
    // copy that failed deserves another try.
    bool Release();

    // Copies finished and not yet taken.
    std::size_t Held();
    // Waits until the thread has done all that the loop lets it do for now.
    void WaitUntilIdle();

private:
    enum State : uint8_t { Open, Working, Ready, Declined, Claimed };

    void Work();
    void CopyFiles();
    bool Candidate(const FileEntry& entry) const;
    void DropBefore(std::size_t end);
    void Drop(std::size_t index);
    bool Room() const;

    const FileList& files_;
    std::string sourceFolder_;
    std::string destinationFolder_;
    int64_t recoveryThreshold_;
    Limits limits_;
    const std::atomic<bool>& abort_;
    std::unique_ptr<std::atomic<uint8_t>[]> states_;
    std::unordered_map<std::size_t, int> descriptors_; // of Ready entries; guarded by mutex_
    std::atomic<std::size_t> position_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_:
    std::size_t reach_ = 0; // the thread works below this index
    std::size_t held_ = 0;
    bool madeAny_ = false;
    int64_t heldBytes_ = 0;
    std::size_t dropped_ = 0; // every Ready entry below this has been given out or closed
    bool stop_ = false;
    bool idle_ = false; // the thread waits for the loop
    bool ended_ = false;
    std::condition_variable idleChanged_;
    std::thread thread_;
};

} // namespace hozonix::engine
