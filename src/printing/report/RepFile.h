#pragma once
// The ".REP" file: the pages of a page store with their page setup.
//
// Layout: 8 magic bytes "HZXREP" 0x1A 0x00, a 16-bit version, 16 reserved bits, the 64-bit length of
// the body and its SHA-256 (all numbers big-endian), then the body: paper code, sheet width and height
// in mm, orientation, page count, and each page as the bytes of a recorded picture.

#include "PageSetup.h"

#include <QPicture>

#include <string>
#include <vector>

namespace hozonix::report {

inline constexpr int kRepFileVersion = 1;

struct RepContent {
    PageSetup setup;
    std::vector<QPicture> pages;
};

std::string EncodeRepFile(const PageSetup& setup, const std::vector<QPicture>& pages);

// Raises AppError naming `path` when the bytes are not a ".REP" file of a version we read, or are
// damaged.
RepContent DecodeRepFile(const std::string& bytes, const std::string& path);

} // namespace hozonix::report
