#pragma once
// A page as the report engine draws it: a list of text runs, lines and rectangles in page units (tenths
// of a millimetre), each with explicit, bounded fields. This is what the page store keeps, what the
// preview, printing and PDF output replay, and what a ".REP" file holds; one page encodes and decodes
// on its own, so pages can also be kept one by one.
//
// Encoding (all numbers big-endian, lengths in bytes): page width and height (float64), item count
// (uint32), then each item as a kind byte and its fields:
//   text  rect and clip (4 float64 each: x, y, width, height), alignment (uint8), flags (uint8: wrap,
//         bold, italic, underline), font pixel size (uint16), colour (uint32 0x00RRGGBB), font family
//         (uint16 length + UTF-8), text (uint32 length + UTF-8)
//   line  x1, y1, x2, y2, pen width (float64 each), colour (uint32)
//   rect  rect (4 float64), pen width (float64, 0: no outline), pen colour, fill colour (uint32 each;
//         the fill's top byte 0x01 means filled, 0 not)
//
// Decoding refuses anything outside these limits, so a page from a file can neither crash nor stall the
// code that draws it: sizes up to the largest paper the program knows, clips, lines and rectangles
// within the page, text layout boxes within one page's size of it, known enum values and flags, valid
// UTF-8 of bounded length, counts that the bytes can hold, and a bounded number of items, of text bytes
// and of ink on each page.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hozonix::report {

// A page field out of bounds or a truncated encoding; what() is the reason, in Japanese.
class PageFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Box&) const = default;
};

enum class TextAlign : std::uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct TextRun {
    Box rect; // where the text is laid out, from its top
    Box clip; // nothing of the text shows outside this
    TextAlign align = TextAlign::Left;
    bool wrap = false;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int pixelSize = 35; // page units
    std::uint32_t color = 0;
    std::string family; // UTF-8
    std::string text;   // UTF-8
    bool operator==(const TextRun&) const = default;
};

struct LineItem {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double penWidth = 1;
    std::uint32_t color = 0;
    bool operator==(const LineItem&) const = default;
};

struct RectItem {
    Box rect;
    double penWidth = 1; // 0: no outline
    std::uint32_t penColor = 0;
    bool filled = false;
    std::uint32_t fillColor = 0;
    bool operator==(const RectItem&) const = default;
};

using PageItem = std::variant<TextRun, LineItem, RectItem>;

struct PageRecord {
    double width = 0; // page units
    double height = 0;
    std::vector<PageItem> items;
    bool operator==(const PageRecord&) const = default;
};

// Stands for the page count in the text of a page while it is generated: U+FDD0, a code point Unicode
// keeps for a program's own use, which no printed text holds. FillInPageCount puts the count in once
// the generation has ended, page by page.
inline constexpr std::string_view kPageCountMark = "\xEF\xB7\x90";

// Replaces every page-count mark in the page's texts with `count`; true when there was one.
bool FillInPageCount(PageRecord& page, std::string_view count);

// Limits of the fields.
inline constexpr int kMaxFontPixels = 2000; // 20 cm
inline constexpr double kMaxPenWidth = 100; // 1 cm
inline constexpr std::size_t kMaxFamilyBytes = 256;
inline constexpr std::size_t kMaxTextBytes = 65536;
// What one page may hold, so that no page takes more than a moment to draw: a page of the densest list
// holds a few hundred texts of some ten kilobytes together.
inline constexpr std::size_t kMaxPageItems = 10000;
inline constexpr std::size_t kMaxPageTextBytes = 256 * 1024;
// How often the page's area may be covered by ink, counting each text by the smaller of its clip and
// its glyphs (bytes times the square of its size), each rectangle by its fill and outline, each line by
// its length times its width. Painting time follows this; a page of text covers its area about once.
inline constexpr double kMaxInkPerPage = 16;

// The largest sheet side accepted, in millimetres: the largest paper of the media table with a margin.
double MaxSheetMm();

// Appends the page's encoding to `out`.
void EncodePage(const PageRecord& page, std::string& out);

// Decodes one page that fills `bytes` exactly. Raises PageFormatError.
PageRecord DecodePage(std::string_view bytes);

// Raises PageFormatError when a field of the page is out of bounds (what DecodePage checks after
// reading), so that a page made in memory can be held to the same rules.
void CheckPage(const PageRecord& page);

} // namespace hozonix::report
