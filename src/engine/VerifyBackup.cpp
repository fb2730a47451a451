#include "engine/VerifyBackup.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "engine/DestinationLock.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"
#include "engine/Exclusions.h"
#include "engine/FileEntry.h"
#include "engine/FileTimes.h"
#include "engine/FolderCache.h"
#include "engine/FormatText.h"
#include "engine/HostedScan.h"
#include "engine/PathText.h"
#include "engine/ScanFolder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace hozonix::engine {

namespace {

// Large reads keep a disk streaming; both sides of a block are in memory for the comparison.
constexpr std::size_t Block = 1 << 20;
// A slice is the unit of work handed to a reader: a few files, or one large one.
constexpr std::size_t SliceFiles = 64;
constexpr int64_t SliceBytes = 4 << 20;
// Slices read but not yet reported, at most: what a reader may run ahead.
constexpr std::size_t SlicesAhead = 16;
constexpr auto PollInterval = std::chrono::milliseconds(20);

enum class Finding : uint8_t {
    Match,
    Gone, // the source file went since the scan: nothing to compare
    Stopped,
    Missing,
    NotAFile,
    FolderIsLink,
    CopyUnreadable,
    SourceUnreadable,
    ChangedSinceBackup,
    SizeDiffers,
    ContentDiffers,
    ContentAndTimeDiffer,
};

struct Verdict {
    Finding finding = Finding::Match;
    int error = 0;     // errno value of an unreadable side
    int64_t bytes = 0; // compared
};

std::string WithError(const char* text, int error) {
    return error == 0 ? std::string(text) : std::string(text) + " (" + SystemErrorText(error) + ")";
}

std::string ReasonOf(const Verdict& v) {
    switch (v.finding) {
    case Finding::Missing:
        return texts::CopyMissing;
    case Finding::NotAFile:
        return texts::NotAFileThere;
    case Finding::FolderIsLink:
        return texts::CopyFolderIsLink;
    case Finding::CopyUnreadable:
        return WithError(texts::CopyUnreadable, v.error);
    case Finding::SourceUnreadable:
        return WithError(texts::SourceUnreadable, v.error);
    case Finding::ChangedSinceBackup:
        return texts::ChangedSinceBackup;
    case Finding::SizeDiffers:
        return texts::SizeDiffers;
    case Finding::ContentDiffers:
        return texts::ContentDiffers;
    case Finding::ContentAndTimeDiffer:
        return texts::ContentAndTimeDiffer;
    case Finding::Match:
    case Finding::Gone:
    case Finding::Stopped:
        break;
    }
    return {};
}

// Up to `length` bytes; fewer only at the end of the file. -1 with errno on an error.
ssize_t ReadFull(int fd, char* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = read(fd, buffer + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

int64_t WriteTimeOf(const struct stat& st) {
    return StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

// Compares files of the scan with their copies. One per thread: it keeps the folders in hand open.
class CopyChecker {
public:
    CopyChecker(const VerifyRequest& request, int64_t resolution, std::atomic<int64_t>& bytesRead,
                std::function<bool()> keepGoing)
        : request_(request), resolution_(resolution), bytesRead_(bytesRead), keepGoing_(std::move(keepGoing)),
          sources_(request.SourceFolder, false),
          copies_(request.DestinationFolder, false, FolderCache::Links::Refuse) {}

    bool KeepGoing() const { return keepGoing_(); }

    Verdict Check(const FileList::Cursor& file) {
        if (file.Run() != run_) {
            run_ = file.Run();
            const std::string path = file.Path();
            sourceFolder_ = FolderOf(path);
            copyFolder_ =
                FolderOf(DestinationPathOf(path, request_.SourceFolder, request_.DestinationFolder));
        }
        const int sourceFolderFd = sources_.Open(sourceFolder_);
        if (sourceFolderFd < 0)
            return SourceError(sources_.Error());
        // Non-blocking, so that a FIFO put in a file's place since the scan can never hang the check.
        const ScopedFd source(openat(sourceFolderFd, file.Name().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (source.get() < 0)
            return SourceError(errno);
        struct stat s {};
        if (fstat(source.get(), &s) != 0)
            return {Finding::SourceUnreadable, errno};
        if (!S_ISREG(s.st_mode))
            return {Finding::Gone};

        const int copyFolderFd = copies_.Open(copyFolder_);
        if (copyFolderFd < 0)
            return copies_.Error() == ELOOP ? Verdict{Finding::FolderIsLink} : CopyError(copies_.Error());
        struct stat c {};
        // Looked at before it is opened: a device or a link in the copy's place is never opened.
        if (fstatat(copyFolderFd, file.Name().c_str(), &c, AT_SYMLINK_NOFOLLOW) != 0)
            return CopyError(errno);
        if (!S_ISREG(c.st_mode))
            return {Finding::NotAFile};
        const ScopedFd copy(
            openat(copyFolderFd, file.Name().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (copy.get() < 0)
            return errno == ELOOP ? Verdict{Finding::NotAFile} : CopyError(errno);
        if (fstat(copy.get(), &c) != 0)
            return {Finding::CopyUnreadable, errno};
        if (!S_ISREG(c.st_mode))
            return {Finding::NotAFile};
        // A size that differs is a difference already: neither side is read.
        if (s.st_size != c.st_size)
            return {Differs(s, c, true)};
        return Compare(source.get(), copy.get(), s, c);
    }

private:
    static bool Gone(int error) { return error == ENOENT || error == ENOTDIR; }
    // A source file that went since the scan has nothing to compare.
    static Verdict SourceError(int error) {
        return Gone(error) ? Verdict{Finding::Gone} : Verdict{Finding::SourceUnreadable, error};
    }
    static Verdict CopyError(int error) {
        return Gone(error) ? Verdict{Finding::Missing} : Verdict{Finding::CopyUnreadable, error};
    }

    Finding Differs(const struct stat& s, const struct stat& c, bool sizeDiffers) const {
        const int64_t sourceTime = WriteTimeOf(s);
        const int64_t copyTime = WriteTimeOf(c);
        if (!IsUpToDate(copyTime, sourceTime, resolution_))
            return Finding::ChangedSinceBackup;
        if (sizeDiffers)
            return Finding::SizeDiffers;
        return TimeKept(copyTime, sourceTime, resolution_) ? Finding::ContentDiffers
                                                           : Finding::ContentAndTimeDiffer;
    }

    Verdict Compare(int source, int copy, const struct stat& s, const struct stat& c) {
        const int64_t size = s.st_size;
        // The copy's bytes come from the drive, not from what the cache kept of them when they were
        // written; and they are not kept after, where they would push out the cache of a million files.
        posix_fadvise(copy, 0, 0, POSIX_FADV_DONTNEED);
        struct Drop {
            int fd;
            ~Drop() { posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED); }
        } dropAfter{copy};
        if (size > static_cast<int64_t>(Block)) {
            posix_fadvise(source, 0, 0, POSIX_FADV_SEQUENTIAL);
            posix_fadvise(copy, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
        if (!a_) {
            a_ = std::make_unique<char[]>(Block);
            b_ = std::make_unique<char[]>(Block);
        }
        Verdict v;
        while (v.bytes < size) {
            if (v.bytes > 0 && !keepGoing_())
                return {Finding::Stopped};
            const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(size - v.bytes, Block));
            const ssize_t a = ReadFull(source, a_.get(), want);
            if (a < 0)
                return {Finding::SourceUnreadable, errno};
            const ssize_t b = ReadFull(copy, b_.get(), want);
            if (b < 0)
                return {Finding::CopyUnreadable, errno};
            bytesRead_.fetch_add(a, std::memory_order_relaxed);
            v.bytes += a;
            // A side that ends early has been cut short since it was looked at.
            if (a != b || std::memcmp(a_.get(), b_.get(), static_cast<std::size_t>(a)) != 0) {
                v.finding = Differs(s, c, a != b);
                return v;
            }
            if (static_cast<std::size_t>(a) < want)
                break;
        }
        return v;
    }

    const VerifyRequest& request_;
    int64_t resolution_;
    std::atomic<int64_t>& bytesRead_;
    std::function<bool()> keepGoing_;
    FolderCache sources_;
    FolderCache copies_;
    std::size_t run_ = SIZE_MAX;
    std::string sourceFolder_;
    std::string copyFolder_;
    std::unique_ptr<char[]> a_;
    std::unique_ptr<char[]> b_;
};

// Consecutive files of the list, checked together and reported together.
struct Slice {
    std::size_t first = 0;
    std::size_t end = 0;
    std::vector<std::pair<std::size_t, Verdict>> found; // files that do not match
    int checked = 0;
    int64_t bytes = 0;
    bool stopped = false;
    bool done = false;
};

std::size_t SliceEnd(const FileList& files, std::size_t first) {
    std::size_t end = first;
    int64_t bytes = 0;
    while (end < files.size() && end - first < SliceFiles && (end == first || bytes < SliceBytes))
        bytes += files.Size(end++);
    return end;
}

void CheckSlice(CopyChecker& checker, const FileList& files, Slice& slice) {
    for (FileList::Cursor file(files, slice.first); !file.AtEnd() && file.Index() < slice.end; file.Next()) {
        if (!checker.KeepGoing()) {
            slice.stopped = true;
            return;
        }
        const Verdict v = checker.Check(file);
        if (v.finding == Finding::Stopped) {
            slice.stopped = true;
            return;
        }
        if (v.finding == Finding::Gone)
            continue;
        ++slice.checked;
        slice.bytes += v.bytes;
        if (v.finding != Finding::Match)
            slice.found.emplace_back(file.Index(), v);
    }
}

// Reader threads that check slices ahead of the thread that reports them, in the list's order, so that
// reading one file overlaps reading the next and two cores share the kernel's work of many small files.
class ReadAhead {
public:
    ReadAhead(const FileList& files, const VerifyRequest& request, int64_t resolution, int readers,
              const std::atomic<bool>& abort, std::atomic<int64_t>& bytesRead)
        : files_(files), request_(request), resolution_(resolution), abort_(abort), bytesRead_(bytesRead) {
        for (int i = 0; i < readers; ++i) {
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break; // fewer readers, or none: the caller reads itself
            }
        }
    }
    ~ReadAhead() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        room_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    bool Started() const { return !threads_.empty(); }

    // The next slice in order once it is checked, or null when it is not yet (waiting at most `wait`) or
    // none is left (Finished). Raises what a reader raised.
    const Slice* Next(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, wait, [this] { return error_ || (!slices_.empty() && slices_.front().done); });
        if (error_)
            std::rethrow_exception(error_);
        return !slices_.empty() && slices_.front().done ? &slices_.front() : nullptr;
    }
    // The slice Next gave has been reported.
    void Done() {
        {
            std::lock_guard lock(mutex_);
            slices_.pop_front();
        }
        room_.notify_all();
    }
    bool Finished() {
        std::lock_guard lock(mutex_);
        return slices_.empty() && next_ >= files_.size();
    }

private:
    void Work() {
        try {
            CopyChecker checker(request_, resolution_, bytesRead_, [this] {
                return !abort_.load(std::memory_order_relaxed) && !stop_.load(std::memory_order_relaxed);
            });
            std::unique_lock lock(mutex_);
            for (;;) {
                room_.wait(
                    lock, [this] { return stop_ || next_ >= files_.size() || slices_.size() < SlicesAhead; });
                if (stop_ || next_ >= files_.size() || abort_.load(std::memory_order_relaxed))
                    return;
                // A deque keeps its elements in place as others are added and the first taken.
                Slice& slice = slices_.emplace_back();
                slice.first = next_;
                slice.end = SliceEnd(files_, next_);
                next_ = slice.end;
                lock.unlock();
                CheckSlice(checker, files_, slice);
                lock.lock();
                slice.done = true;
                ready_.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!error_)
                error_ = std::current_exception();
            stop_ = true;
            ready_.notify_all();
        }
    }

    const FileList& files_;
    const VerifyRequest& request_;
    int64_t resolution_;
    const std::atomic<bool>& abort_;
    std::atomic<int64_t>& bytesRead_;
    std::mutex mutex_;
    std::condition_variable ready_; // a slice is done
    std::condition_variable room_;  // a slice has been reported, or the readers are to stop
    std::deque<Slice> slices_;      // taken by a reader and not yet reported, in order
    std::size_t next_ = 0;          // the first file no reader has taken
    std::atomic<bool> stop_{false};
    std::exception_ptr error_;
    std::vector<std::thread> threads_;
};

double Percent(int64_t part, int64_t whole) {
    return whole <= 0 ? 100.0 : static_cast<double>(part) / static_cast<double>(whole) * 100.0;
}

class VerifyRun {
public:
    VerifyRun(const VerifyRequest& request, RunHost& host, VerifyResult& result)
        : request_(request), host_(host), result_(result) {}

    void Run() {
        host_.SetBusyCursor(true);
        RunEnd end(host_);
        const ExclusionRules rules(request_.ExcludedExtensions, request_.ExcludedFolders);
        FileList files;
        Scan(files, rules);
        if (host_.AbortRequested()) {
            result_.Stopped = true;
            return;
        }
        result_.FilesFound = static_cast<int>(files.size());
        DropExcluded(files, rules, result_.FilesExcluded, result_.BytesTotal);
        total_ = static_cast<int>(files.size());
        host_.SetStatusText(std::to_string(total_) + texts::VerifyingFiles);
        host_.ShowProcessDialog("");
        host_.UpdateProcessDialog(0, std::to_string(total_) + texts::VerifyingFiles, "");
        if (files.empty())
            return;
        resolution_ = TimeResolutionOf(request_.DestinationFolder);
        ReadAhead ahead(files, request_, resolution_, std::max(request_.Readers, 0), host_.AbortFlag(),
                        bytesRead_);
        if (ahead.Started())
            CheckAhead(files, ahead);
        else
            CheckHere(files);
    }

private:
    void Scan(FileList& files, const ExclusionRules& rules) {
        ScanOptions options = HostedScanOptions(host_, request_.DestinationFolder, request_.ScanQuietFor,
                                                request_.ScanLongAfter);
        std::vector<std::string> unreadable;
        options.unreadable = &unreadable;
        std::vector<std::string> links;
        options.linksNotEntered = &links;
        ScanFolder(request_.SourceFolder, files, options);
        // What could not be read was not compared: never a silent match.
        for (const std::string& path : unreadable) {
            if (!rules.Excludes(path))
                AddDifference(path,
                              path.ends_with('/') ? texts::SourceFolderUnreadable : texts::SourceUnreadable);
        }
        std::string notice;
        for (const std::string& path : links) {
            if (!rules.Excludes(path + "/"))
                notice += texts::LineBreak + path;
        }
        if (!notice.empty())
            result_.Notices.push_back(texts::LinksNotEntered + notice);
    }

    // Readers check ahead; this thread reports their slices in order and keeps the host alive meanwhile.
    void CheckAhead(const FileList& files, ReadAhead& ahead) {
        while (!ahead.Finished()) {
            const Slice* slice = ahead.Next(PollInterval);
            host_.ProcessPendingEvents();
            if (host_.AbortRequested() || (slice != nullptr && slice->stopped)) {
                result_.Stopped = true;
                return;
            }
            if (slice == nullptr) {
                ShowProgress(files, shownIndex_);
                continue;
            }
            Report(files, *slice);
            ahead.Done();
        }
    }

    void CheckHere(const FileList& files) {
        CopyChecker checker(request_, resolution_, bytesRead_, [this] {
            host_.ProcessPendingEvents();
            return !host_.AbortRequested();
        });
        for (std::size_t first = 0; first < files.size();) {
            Slice slice;
            slice.first = first;
            slice.end = SliceEnd(files, first);
            CheckSlice(checker, files, slice);
            if (slice.stopped || host_.AbortRequested()) {
                result_.Stopped = true;
                return;
            }
            Report(files, slice);
            first = slice.end;
        }
    }

    void Report(const FileList& files, const Slice& slice) {
        for (const auto& [index, verdict] : slice.found)
            AddDifference(files.Path(index), ReasonOf(verdict));
        result_.FilesChecked += slice.checked;
        result_.BytesCompared += slice.bytes;
        done_ = static_cast<int>(slice.end);
        ShowProgress(files, slice.end - 1);
    }

    void ShowProgress(const FileList& files, std::size_t index) {
        const double p =
            Percent(bytesRead_.load(std::memory_order_relaxed) + done_, result_.BytesTotal + total_);
        host_.SetMainBar(static_cast<int>(p));
        if (!host_.ProgressDue())
            return;
        shownIndex_ = std::min(index, files.size() - 1);
        host_.UpdateProcessDialog(static_cast<int>(p), files.Path(shownIndex_) + texts::Verifying,
                                  FormatText(texts::VerifiedFormat, p, texts::Percent, done_, total_));
    }

    void AddDifference(const std::string& path, const std::string& reason) {
        result_.Reasons.push_back({result_.Differences.size(), reason});
        result_.Differences.push_back(path);
    }

    const VerifyRequest& request_;
    RunHost& host_;
    VerifyResult& result_;
    int64_t resolution_ = 1;
    std::atomic<int64_t> bytesRead_{0};
    int total_ = 0;
    int done_ = 0; // files reported
    std::size_t shownIndex_ = 0;
};

// A source that is missing (a disk not mounted), not a folder or unreadable must not pass for one whose
// copies all match.
void CheckFolder(const std::string& folder, const char* missing) {
    const ScopedFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || faccessat(fd.get(), ".", R_OK | X_OK, AT_EACCESS) != 0)
        throw AppError(missing + folder);
}

} // namespace

void VerifyBackup(const VerifyRequest& request, RunHost& host, VerifyResult& result) {
    result = VerifyResult();
    host.ClearAbortRequest();
    CheckFolder(request.SourceFolder, texts::SourceMissing);
    CheckFolder(request.DestinationFolder, texts::DestinationMissing);
    {
        const ScopedFd root(open(request.DestinationFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        const DriveCheck drive =
            CheckDestinationDrive(request.DestinationFolder, request.LastRunMount,
                                  StampHolds(root.get(), request.LastRunToken), request.Mounts);
        if (!drive.refusal.empty())
            throw AppError(drive.refusal);
    }
    // No run writes into the destination while its copies are read: a copy half written would show as
    // a difference that is none.
    const DestinationLock lock(request.DestinationFolder);
    VerifyRun(request, host, result).Run();
}

} // namespace hozonix::engine
