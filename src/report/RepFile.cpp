#include "report/RepFile.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"

#include <cerrno>

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

RepData ReadRepFile(const std::string& path) {
    RepData data;
    data.sheet = ReadRepFile(path, [&](PageRecord page) { data.pages.push_back(std::move(page)); });
    return data;
}

RepSheet ReadRepFile(const std::string& path, const std::function<void(PageRecord)>& take) {
    std::string bytes;
    if (const int err = ReadWholeFile(path, bytes, kMaxRepFileBytes); err != 0)
        Refuse(path, ReadFailureReason(err));
    try {
        return DecodeRep(bytes, take);
    } catch (const PageFormatError& e) {
        Refuse(path, e.what());
    }
}

void WriteRepFile(const std::string& path, const RepData& data) {
    WriteRepFile(path, data.sheet, data.pages.size(), [&](std::size_t i) { return data.pages[i]; });
}

void WriteRepFile(const std::string& path, const RepSheet& sheet, std::size_t pageCount,
                  const std::function<PageRecord(std::size_t)>& pageAt) {
    if (pageCount > kMaxRepPages)
        throw AppError(path + ": " + kTooLarge);
    const std::string bytes = EncodeRep(sheet, pageCount, [&](std::size_t i) {
        PageRecord page = pageAt(i);
        try {
            CheckPage(page);
        } catch (const PageFormatError& e) {
            throw AppError(path + ": " + e.what());
        }
        return page;
    });
    if (bytes.size() > kMaxRepFileBytes)
        throw AppError(path + ": " + kTooLarge);
    ReplaceFileAtomically(path, bytes);
}

} // namespace hozonix::report
