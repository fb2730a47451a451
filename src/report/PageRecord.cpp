#include "report/PageRecord.h"

#include "printers/MediaMapping.h"
#include "report/ByteCodec.h"

#include <algorithm>
#include <cmath>

namespace hozonix::report {

namespace {

constexpr const char* kDamaged = "レポートファイルが壊れています";
constexpr const char* kBadSheet = "用紙の大きさが正しくありません";
constexpr const char* kTooMuch = "ページの内容が多すぎます";

enum class ItemKind : std::uint8_t { Text = 1, Line = 2, Rect = 3 };

enum TextFlags : std::uint8_t { kWrap = 1, kBold = 2, kItalic = 4, kUnderline = 8, kAllTextFlags = 15 };

constexpr std::uint32_t kFilledMark = 0x01000000;

// The smallest encoding of each item, which bounds the count a number of bytes can hold.
constexpr std::size_t kMinItemBytes = 1 + 4 * 8 + 8 + 4;

using Reader = ByteReader<PageFormatError>;

[[noreturn]] void Damaged() {
    throw PageFormatError(kDamaged);
}

void Require(bool ok) {
    if (!ok)
        Damaged();
}

bool Within(double v, double low, double high) {
    return std::isfinite(v) && v >= low && v <= high;
}

// Clips, lines and rectangles stay on the page.
bool OnPage(const Box& b, const PageRecord& page) {
    return Within(b.x, 0, page.width) && Within(b.y, 0, page.height) &&
           Within(b.width, 0, page.width - b.x) && Within(b.height, 0, page.height - b.y);
}

// A text is laid out in a box that may stick out of the page (a long right-aligned label), by at most the
// page's own size on every side.
bool NearPage(const Box& b, const PageRecord& page) {
    return Within(b.x, -page.width, 2 * page.width) && Within(b.y, -page.height, 2 * page.height) &&
           Within(b.width, 0, 2 * page.width - b.x) && Within(b.height, 0, 2 * page.height - b.y);
}

bool IsColor(std::uint32_t c) {
    return c <= 0xFFFFFF;
}

bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void PutBox(std::string& out, const Box& b) {
    PutDouble(out, b.x);
    PutDouble(out, b.y);
    PutDouble(out, b.width);
    PutDouble(out, b.height);
}

Box ReadBox(Reader& in) {
    Box b;
    b.x = in.Double();
    b.y = in.Double();
    b.width = in.Double();
    b.height = in.Double();
    return b;
}

void CheckItem(const TextRun& t, const PageRecord& page) {
    Require(NearPage(t.rect, page) && OnPage(t.clip, page));
    Require(t.align <= TextAlign::Justify && t.pixelSize >= 1 && t.pixelSize <= kMaxFontPixels);
    Require(IsColor(t.color));
    Require(!t.family.empty() && t.family.size() <= kMaxFamilyBytes && ValidUtf8(t.family));
    Require(t.text.size() <= kMaxTextBytes && ValidUtf8(t.text));
}

void CheckItem(const LineItem& l, const PageRecord& page) {
    Require(Within(l.x1, 0, page.width) && Within(l.x2, 0, page.width) && Within(l.y1, 0, page.height) &&
            Within(l.y2, 0, page.height));
    Require(Within(l.penWidth, 0, kMaxPenWidth) && IsColor(l.color));
}

void CheckItem(const RectItem& r, const PageRecord& page) {
    Require(OnPage(r.rect, page) && Within(r.penWidth, 0, kMaxPenWidth));
    Require(IsColor(r.penColor) && IsColor(r.fillColor));
}

} // namespace

bool FillInPageCount(PageRecord& page, std::string_view count) {
    bool found = false;
    for (PageItem& item : page.items) {
        auto* t = std::get_if<TextRun>(&item);
        if (t == nullptr)
            continue;
        for (auto at = t->text.find(kPageCountMark); at != std::string::npos;
             at = t->text.find(kPageCountMark, at + count.size())) {
            t->text.replace(at, kPageCountMark.size(), count);
            found = true;
        }
    }
    return found;
}

double MaxSheetMm() {
    // A tenth over the largest paper: custom sizes a little past it still open.
    return printing::LargestPaperLength() / 100.0 * 1.1;
}

void CheckPage(const PageRecord& page) {
    const double maxUnits = MaxSheetMm() * 10;
    if (!Within(page.width, 1, maxUnits) || !Within(page.height, 1, maxUnits))
        throw PageFormatError(kBadSheet);
    if (page.items.size() > kMaxPageItems)
        throw PageFormatError(kTooMuch);
    std::size_t textBytes = 0;
    double ink = 0;
    for (const PageItem& item : page.items) {
        std::visit([&](const auto& i) { CheckItem(i, page); }, item);
        if (const auto* t = std::get_if<TextRun>(&item)) {
            textBytes += t->text.size();
            ink += std::min(t->clip.width * t->clip.height,
                            double(t->text.size()) * t->pixelSize * t->pixelSize);
        } else if (const auto* l = std::get_if<LineItem>(&item)) {
            // The pen's square ends paint a square even for a line of no length.
            ink += (std::hypot(l->x2 - l->x1, l->y2 - l->y1) + l->penWidth) * l->penWidth;
        } else if (const auto* r = std::get_if<RectItem>(&item)) {
            ink += (r->filled ? r->rect.width * r->rect.height : 0) +
                   (2 * (r->rect.width + r->rect.height) + r->penWidth) * r->penWidth;
        }
    }
    if (textBytes > kMaxPageTextBytes || ink > kMaxInkPerPage * page.width * page.height)
        throw PageFormatError(kTooMuch);
}

void EncodePage(const PageRecord& page, std::string& out) {
    PutDouble(out, page.width);
    PutDouble(out, page.height);
    PutUnsigned(out, static_cast<std::uint32_t>(page.items.size()));
    for (const PageItem& item : page.items) {
        if (const auto* t = std::get_if<TextRun>(&item)) {
            PutUnsigned(out, static_cast<std::uint8_t>(ItemKind::Text));
            PutBox(out, t->rect);
            PutBox(out, t->clip);
            PutUnsigned(out, static_cast<std::uint8_t>(t->align));
            PutUnsigned(out, static_cast<std::uint8_t>((t->wrap ? kWrap : 0) | (t->bold ? kBold : 0) |
                                                       (t->italic ? kItalic : 0) |
                                                       (t->underline ? kUnderline : 0)));
            PutUnsigned(out, static_cast<std::uint16_t>(t->pixelSize));
            PutUnsigned(out, t->color);
            PutUnsigned(out, static_cast<std::uint16_t>(t->family.size()));
            out += t->family;
            PutUnsigned(out, static_cast<std::uint32_t>(t->text.size()));
            out += t->text;
        } else if (const auto* l = std::get_if<LineItem>(&item)) {
            PutUnsigned(out, static_cast<std::uint8_t>(ItemKind::Line));
            for (double v : {l->x1, l->y1, l->x2, l->y2, l->penWidth})
                PutDouble(out, v);
            PutUnsigned(out, l->color);
        } else {
            const auto& r = std::get<RectItem>(item);
            PutUnsigned(out, static_cast<std::uint8_t>(ItemKind::Rect));
            PutBox(out, r.rect);
            PutDouble(out, r.penWidth);
            PutUnsigned(out, r.penColor);
            PutUnsigned(out, r.fillColor | (r.filled ? kFilledMark : 0));
        }
    }
}

PageRecord DecodePage(std::string_view bytes) {
    Reader in(bytes, kDamaged);
    PageRecord page;
    page.width = in.Double();
    page.height = in.Double();
    const std::uint32_t count = in.Unsigned<std::uint32_t>();
    Require(count <= in.Remaining() / kMinItemBytes);
    if (count > kMaxPageItems)
        throw PageFormatError(kTooMuch);
    page.items.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        switch (static_cast<ItemKind>(in.Unsigned<std::uint8_t>())) {
        case ItemKind::Text: {
            TextRun t;
            t.rect = ReadBox(in);
            t.clip = ReadBox(in);
            const auto align = in.Unsigned<std::uint8_t>();
            const auto flags = in.Unsigned<std::uint8_t>();
            Require(align <= static_cast<std::uint8_t>(TextAlign::Justify) && (flags & ~kAllTextFlags) == 0);
            t.align = static_cast<TextAlign>(align);
            t.wrap = (flags & kWrap) != 0;
            t.bold = (flags & kBold) != 0;
            t.italic = (flags & kItalic) != 0;
            t.underline = (flags & kUnderline) != 0;
            t.pixelSize = in.Unsigned<std::uint16_t>();
            t.color = in.Unsigned<std::uint32_t>();
            const auto familySize = in.Unsigned<std::uint16_t>();
            Require(familySize <= kMaxFamilyBytes);
            t.family = in.Bytes(familySize);
            const auto textSize = in.Unsigned<std::uint32_t>();
            Require(textSize <= kMaxTextBytes);
            t.text = in.Bytes(textSize);
            page.items.emplace_back(std::move(t));
            break;
        }
        case ItemKind::Line: {
            LineItem l;
            for (double* v : {&l.x1, &l.y1, &l.x2, &l.y2, &l.penWidth})
                *v = in.Double();
            l.color = in.Unsigned<std::uint32_t>();
            page.items.emplace_back(l);
            break;
        }
        case ItemKind::Rect: {
            RectItem r;
            r.rect = ReadBox(in);
            r.penWidth = in.Double();
            r.penColor = in.Unsigned<std::uint32_t>();
            const auto fill = in.Unsigned<std::uint32_t>();
            Require((fill & ~(kFilledMark | 0xFFFFFFu)) == 0);
            r.filled = (fill & kFilledMark) != 0;
            r.fillColor = fill & 0xFFFFFF;
            page.items.emplace_back(r);
            break;
        }
        default:
            Damaged();
        }
    }
    Require(in.AtEnd());
    CheckPage(page);
    return page;
}

} // namespace hozonix::report
