#include "engine/CopyFile.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "engine/EngineTexts.h"
#include "engine/FileAttributes.h"
#include "engine/FileError.h"
#include "engine/FileMetadata.h"
#include "engine/FormatText.h"
#include "engine/PathText.h"
#include "engine/TempTarget.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

[[noreturn]] void Fail(FileError::Step step, const std::string& path) {
    throw FileError(step, path, errno);
}

constexpr std::size_t PlainLoopMost = 262'144;

// Moves one block from source to target, in the kernel where it can.
class BlockMover {
public:
    // `chunk`: the most one in-kernel step may move; `block` is the buffer of the plain loop.
    BlockMover(int source, int target, std::size_t block, std::size_t chunk)
        : source_(source), target_(target), block_(block), chunk_(chunk) {}

    // Bytes moved, at most `limit` (0 at the end of the source), or raises the read or write error.
    std::size_t Move(const std::string& sourcePath, const std::string& targetPath,
                     std::size_t limit = SIZE_MAX) {
        if (inKernel_) {
            for (;;) {
                const ssize_t n =
                    copy_file_range(source_, nullptr, target_, nullptr, std::min(chunk_, limit), 0);
                if (n >= 0)
                    return static_cast<std::size_t>(n);
                if (errno == EINTR)
                    continue;
                if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)
                    Fail(FileError::Step::Write, targetPath);
                // Not offered here, or an error that the plain loop below tells apart as read or write.
                inKernel_ = false;
                break;
            }
        }
        if (!buffer_) {
            // Where the kernel cannot copy (FUSE, network file systems) every write is a request to the
            // server: a small file goes in one, a large one in pieces no larger than this.
            block_ = std::max(block_, std::min<std::size_t>(chunk_, PlainLoopMost));
            buffer_.reset(new char[block_]);
        }
        ssize_t n;
        do {
            n = read(source_, buffer_.get(), std::min(block_, limit));
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            Fail(FileError::Step::Read, sourcePath);
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(n)) {
            const ssize_t w = write(target_, buffer_.get() + done, static_cast<std::size_t>(n) - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w == 0)
                errno = ENOSPC;
            if (w <= 0)
                Fail(FileError::Step::Write, targetPath);
            done += static_cast<std::size_t>(w);
        }
        return static_cast<std::size_t>(n);
    }

private:
    int source_;
    int target_;
    std::size_t block_;
    std::size_t chunk_;
    bool inKernel_ = true;
    std::unique_ptr<char[]> buffer_;
};

void ReportProgress(const std::string& sourcePath, int64_t total, int64_t size, RunHost& host) {
    const double percent = static_cast<double>(total) / static_cast<double>(size) * 100.0;
    const int position =
        static_cast<int>(std::clamp(static_cast<double>(total) / (size / 100.0), 0.0, 100.0));
    host.UpdateProcessDialog(
        position, sourcePath + texts::Copying,
        FormatText(texts::CopiedBytesFormat, total / 1000.0, size / 1000.0, percent, texts::Percent));
}

// A file whose blocks hold fewer bytes than its size has holes, where its file system can find them
// (SEEK_DATA; one that cannot is copied whole). Leaves the file offset at 0.
bool IsSparse(int fd, const struct stat& st) {
    if (static_cast<int64_t>(st.st_blocks) * 512 >= static_cast<int64_t>(st.st_size))
        return false;
    const bool found = lseek(fd, 0, SEEK_DATA) >= 0 || errno == ENXIO;
    return lseek(fd, 0, SEEK_SET) == 0 && found;
}

// Copies the data of a sparse source region by region and seeks over the holes between them, so that
// they stay holes on the target. Progress, shown when there is a `host`, counts a hole as done. Copies
// up to the size seen at the start: a file that changes meanwhile has a newer time, so the next run
// takes it again. False when the user aborted.
bool FillSparse(BlockMover& mover, int sourceFd, const struct stat& source, const std::string& sourcePath,
                int targetFd, const std::string& targetPath, int64_t size, RunHost* host) {
    const off_t end = source.st_size;
    off_t at = 0;
    off_t shown = 0;
    while (at < end) {
        const off_t data = lseek(sourceFd, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // a hole up to the end
        const off_t hole = data < 0 ? -1 : lseek(sourceFd, data, SEEK_HOLE);
        if (hole < 0 || lseek(sourceFd, data, SEEK_SET) < 0)
            Fail(FileError::Step::Read, sourcePath);
        if (lseek(targetFd, data, SEEK_SET) < 0)
            Fail(FileError::Step::Write, targetPath);
        const off_t stop = std::min(hole, end);
        for (at = data; at < stop;) {
            const std::size_t n = mover.Move(sourcePath, targetPath, static_cast<std::size_t>(stop - at));
            if (n == 0) { // cut short meanwhile
                at = end;
                break;
            }
            at += static_cast<off_t>(n);
            if (host != nullptr) {
                shown = at;
                ReportProgress(sourcePath, at, size, *host);
                host->ProcessPendingEvents();
                if (host->AbortRequested())
                    return false;
            }
        }
    }
    if (ftruncate(targetFd, end) != 0)
        Fail(FileError::Step::Write, targetPath);
    if (host != nullptr && shown < end) // it ends in a hole
        ReportProgress(sourcePath, end, size, *host);
    return true;
}

} // namespace

std::size_t CopyBufferSize(int64_t size) {
    if (size > 10'000'000)
        return 131'072;
    if (size > 1'000'000)
        return 32'768;
    return 8'192;
}

std::size_t InKernelStep(int64_t size) {
    // Each in-kernel step has a fixed cost: at 128 KiB per step large files copy about a third slower
    // than in 1 MiB steps, which still report progress hundreds of times per second.
    return size > 10'000'000 ? 1'048'576 : CopyBufferSize(size);
}

bool FillTarget(int sourceFd, const struct stat& source, const std::string& sourcePath, int targetFd,
                const std::string& targetPath, int64_t size, RunHost* host, bool givenMode, bool timeLater) {
    const std::size_t block = CopyBufferSize(size);
    // Without progress nobody sees the blocks, so a small file moves in one step.
    const bool progress = host != nullptr && size > ProgressThreshold;
    const std::size_t chunk =
        progress ? InKernelStep(size)
                 : std::max(block, static_cast<std::size_t>(std::min<off_t>(source.st_size, 1 << 30)));
    BlockMover mover(sourceFd, targetFd, block, chunk);
    if (IsSparse(sourceFd, source)) {
        if (!FillSparse(mover, sourceFd, source, sourcePath, targetFd, targetPath, size,
                        progress ? host : nullptr))
            return false;
    } else {
        int64_t total = 0;
        for (;;) {
            const std::size_t n = mover.Move(sourcePath, targetPath);
            total += static_cast<int64_t>(n);
            if (progress && total > 0) {
                ReportProgress(sourcePath, total, size, *host);
                host->ProcessPendingEvents();
                if (host->AbortRequested())
                    return false; // the temporary file goes, the target stays as it was
            }
            // Done at the size seen at the start: after a short block, or at once when nobody sees the
            // blocks. A file that grows during a copy with progress is read on to its end; one that grows
            // otherwise keeps its earlier time on the copy, so the next run takes it again.
            const bool reachedSize = total >= static_cast<int64_t>(source.st_size);
            if (n == 0 || (reachedSize && (n < chunk || !progress)))
                break;
        }
    }

    CopyMetadata(sourceFd, source, targetFd, givenMode);
    if (timeLater)
        return true;
    // The access time too: file systems built on an older FUSE library drop a last-write time set alone.
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (futimens(targetFd, times) != 0)
        Fail(FileError::Step::Write, targetPath);
    return true;
}

bool CopyOpenFile(int sourceFd, const struct stat& source, const std::string& sourcePath, int folderFd,
                  const std::string& targetPath, bool targetMissing, int64_t size, RunHost& host,
                  bool timeLater) {
    const std::string name = FileNameOf(targetPath);
    TempTarget temp;
    if (!temp.Create(folderFd, name, targetMissing, UnnamedModeFor(source.st_mode)))
        Fail(FileError::Step::Create, targetPath);
    if (!FillTarget(sourceFd, source, sourcePath, temp.fd(), targetPath, size, &host, temp.Unnamed(),
                    timeLater))
        return false;
    if (!temp.Close())
        Fail(FileError::Step::Write, targetPath);
    if (!temp.CommitAs(name))
        Fail(FileError::Step::Create, targetPath);
    return true;
}

bool CopyFileWithProgress(const std::string& source, const std::string& destination, int64_t size,
                          RunHost& host) {
    std::string target = AbsolutePath(destination);
    if (HasAttributes(target, DirectoryAttribute))
        target = JoinPath(target, FileNameOf(source));

    // Non-blocking, so that a FIFO put in a file's place can never hang the copy.
    const int sourceFd = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (sourceFd < 0)
        Fail(FileError::Step::Open, source);
    ScopedFd closeSource(sourceFd);
    struct stat st {};
    if (fstat(sourceFd, &st) != 0 || !S_ISREG(st.st_mode))
        Fail(FileError::Step::Open, source);

    const int folderFd = open(FolderOf(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        Fail(FileError::Step::Create, target);
    ScopedFd closeFolder(folderFd);
    struct stat existing {};
    const bool missing = fstatat(folderFd, FileNameOf(target).c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0;
    return CopyOpenFile(sourceFd, st, source, folderFd, target, missing, size, host);
}

} // namespace hozonix::engine
