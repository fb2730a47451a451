#pragma once
// The bytes of a ".REP" file, without any file or Qt type, so that every byte a file may hold is checked
// by plain code that tests and fuzzing can reach directly.
//
// Layout (numbers big-endian): 8 magic bytes "HZXREP" 0x1A 0x00, version (uint16), 16 zero bits, body
// length (uint64), CRC-32 of the body (uint32); then the body: paper code (int32), portrait sheet width
// and height in mm (float64), orientation (uint8: 0 portrait, 1 landscape), page count (uint32), and
// each page as its length (uint32) and its PageRecord encoding. The CRC only catches accidental damage:
// every field is checked as if the file were forged.

#include "report/PageRecord.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::report {

inline constexpr int kRepFileVersion = 2;
// Far beyond any list the program prints.
inline constexpr std::uint32_t kMaxRepPages = 100000;
// About 100,000 pages of text.
inline constexpr std::size_t kMaxRepFileBytes = std::size_t(256) << 20;
inline constexpr std::size_t kRepHeaderBytes = 8 + 2 + 2 + 8 + 4;

struct RepSheet {
    int paperCode = 9;
    double widthMm = 210; // portrait: width <= height
    double heightMm = 297;
    bool landscape = false;
    bool operator==(const RepSheet&) const = default;
};

struct RepData {
    RepSheet sheet;
    std::vector<PageRecord> pages;
};

std::string EncodeRep(const RepData& data);
// The same with the pages asked for one at a time, so that they need not all be in memory, and the file
// handed to `write` piece by piece: first kRepHeaderBytes of room, then the body. Returns the header that
// belongs in that room, which is known only once the body is.
std::string EncodeRep(const RepSheet& sheet, std::size_t pageCount,
                      const std::function<PageRecord(std::size_t)>& pageAt,
                      const std::function<void(std::string_view)>& write);

// Raises PageFormatError with the reason, in Japanese, when the bytes are not a ".REP" file of this
// version or any field is out of bounds.
RepData DecodeRep(std::string_view bytes);
// The same reading the file piece by piece from its start, handing each page to `take` as it is decoded:
// `read(n)` gives its next n bytes, fewer only at its end. Returns the sheet. The seal is checked last,
// so a caller that has not checked it first (CheckRepSeal) must be ready to drop pages already taken.
RepSheet DecodeRep(const std::function<std::string_view(std::size_t)>& read,
                   const std::function<void(PageRecord)>& take);
// Checks a file's first kRepHeaderBytes (or fewer, for a short file) against the size and CRC of the
// rest, its body, before anything of it is decoded.
void CheckRepSeal(std::string_view header, std::uint64_t bodySize, std::uint32_t bodyCrc);

// `previous`: the CRC of the bytes before these, so that a CRC can be made piece by piece.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous = 0);

} // namespace hozonix::report
