#pragma once
// ".REP" files on disk: only a regular file of at most kMaxRepFileBytes is read, and any refusal is an
// AppError with the text the preview shows.

#include "report/RepFormat.h"

#include <functional>
#include <string>

namespace hozonix::report {

// The first line of every refusal: "レポートファイルを読み込めません", then the path, then the reason.
inline constexpr const char* kRepReadFailure = "レポートファイルを読み込めません";

// Hands each page to `take` as it is read; returns the sheet. Raises AppError
// "レポートファイルを読み込めません\r\n" + path + "\r\n" + reason, the system's reason kept in brackets
// where there is one.
RepSheet ReadRepFile(const std::string& path, const std::function<void(PageRecord)>& take);

// Asks for the pages one at a time, checks every page as reading will (so a saved file always opens
// again) and replaces the file atomically. Raises AppError.
void WriteRepFile(const std::string& path, const RepSheet& sheet, std::size_t pageCount,
                  const std::function<PageRecord(std::size_t)>& pageAt);

} // namespace hozonix::report
