#include "report/RepFile.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/ScopedFd.h"

#include <cerrno>
#include <cstdint>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::report {

namespace {

constexpr const char* kTooLarge = "レポートファイルとして大きすぎます";

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
    throw AppError(std::string(kRepReadFailure) + "\r\n" + path + "\r\n" + reason);
}

std::string ReadFailureReason(int err) {
    switch (err) {
    case kNotRegularFile:
    case EISDIR:
        return "通常のファイルではありません";
    case EFBIG:
        return kTooLarge;
    default:
        return "ファイルを読み込めません [" + SystemErrorText(err) + "]";
    }
}

} // namespace

RepSheet ReadRepFile(const std::string& path, const std::function<void(PageRecord)>& take) {
    // Never waits on a pipe or a device, never takes more than the limit, and holds no more of the file
    // than one page at a time.
    ScopedFd fd;
    struct stat st {};
    if (const int err = OpenRegularFile(path, kMaxRepFileBytes, fd, st); err != 0)
        Refuse(path, ReadFailureReason(err));
    std::string buffer;
    std::uint64_t total = 0;
    // The next `count` bytes of the file, fewer only at its end.
    const auto read = [&](std::size_t count) -> std::string_view {
        buffer.resize(count);
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::read(fd.get(), buffer.data() + got, count - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Refuse(path, ReadFailureReason(errno));
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        total += got;
        if (total > kMaxRepFileBytes + kRepHeaderBytes) // it grew while being read
            Refuse(path, ReadFailureReason(EFBIG));
        return std::string_view(buffer).substr(0, got);
    };
    try {
        // First the seal over the whole body, so that nothing of a damaged file is decoded; then the
        // pages, one at a time.
        const std::string header(read(kRepHeaderBytes));
        std::uint64_t bodySize = 0;
        std::uint32_t crc = 0;
        for (std::string_view piece; !(piece = read(1 << 20)).empty();) {
            bodySize += piece.size();
            crc = Crc32(piece, crc);
        }
        CheckRepSeal(header, bodySize, crc);
        if (lseek(fd.get(), 0, SEEK_SET) != 0)
            Refuse(path, ReadFailureReason(errno));
        total = 0;
        std::size_t pages = 0;
        const RepSheet sheet = DecodeRep(read, [&](PageRecord page) {
            ++pages;
            take(std::move(page));
        });
        // Shown, it would be a blank sheet said to be ready to print.
        if (pages == 0)
            Refuse(path, "印刷するページがありません");
        return sheet;
    } catch (const PageFormatError& e) {
        Refuse(path, e.what());
    }
}

void WriteRepFile(const std::string& path, const RepSheet& sheet, std::size_t pageCount,
                  const std::function<PageRecord(std::size_t)>& pageAt) {
    if (pageCount > kMaxRepPages)
        throw AppError(path + ": " + kTooLarge);
    struct WriteFailed {
        int error;
    };
    ReplaceFileAtomically(path, [&](int fd) {
        std::string buffer;
        std::uint64_t total = 0;
        const auto flush = [&] {
            if (!WriteAll(fd, buffer))
                throw WriteFailed{errno};
            buffer.clear();
        };
        try {
            const std::string header = EncodeRep(
                sheet, pageCount,
                [&](std::size_t i) {
                    PageRecord page = pageAt(i);
                    try {
                        CheckPage(page);
                    } catch (const PageFormatError& e) {
                        throw AppError(path + ": " + e.what());
                    }
                    return page;
                },
                [&](std::string_view piece) {
                    total += piece.size();
                    if (total > kMaxRepFileBytes)
                        throw AppError(path + ": " + kTooLarge);
                    buffer += piece;
                    if (buffer.size() >= (1 << 20))
                        flush();
                });
            flush();
            errno = 0;
            if (pwrite(fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size()))
                throw WriteFailed{errno != 0 ? errno : EIO};
        } catch (const WriteFailed& e) {
            errno = e.error;
            return false;
        }
        return true;
    });
}

} // namespace hozonix::report
