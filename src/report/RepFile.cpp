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
    std::string bytes;
    if (const int err = ReadWholeFile(path, bytes, kMaxRepFileBytes); err != 0)
        Refuse(path, ReadFailureReason(err));
    try {
        return DecodeRep(bytes);
    } catch (const PageFormatError& e) {
        Refuse(path, e.what());
    }
}

void WriteRepFile(const std::string& path, const RepData& data) {
    try {
        for (const PageRecord& page : data.pages)
            CheckPage(page);
    } catch (const PageFormatError& e) {
        throw AppError(path + ": " + e.what());
    }
    const std::string bytes = EncodeRep(data);
    if (data.pages.size() > kMaxRepPages || bytes.size() > kMaxRepFileBytes)
        throw AppError(path + ": " + kTooLarge);
    ReplaceFileAtomically(path, bytes);
}

} // namespace hozonix::report
