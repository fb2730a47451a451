#include "runner/TerminalText.h"

#include <clocale>
#include <cstdio>
#include <cwchar>
#include <locale.h>
#include <vector>

namespace hozonix::runner {

namespace {

// One decoded character: its bytes in the text and its code point, or -1 for an invalid byte.
struct Glyph {
    std::string_view bytes;
    char32_t code;
    bool valid;
};

// Walks UTF-8 by hand: the process locale may be "C", and the text is UTF-8 whatever it says.
std::vector<Glyph> Decode(std::string_view text) {
    std::vector<Glyph> out;
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        size_t len = b < 0x80             ? 1
                     : (b & 0xE0) == 0xC0 ? 2
                     : (b & 0xF0) == 0xE0 ? 3
                     : (b & 0xF8) == 0xF0 ? 4
                                          : 0;
        char32_t code = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool valid = len != 0 && i + len <= text.size();
        for (size_t k = 1; valid && k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xC0) == 0x80;
            code = (code << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not valid either.
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (code < Smallest[len] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF))
            valid = false;
        if (!valid)
            len = 1;
        out.push_back({text.substr(i, len), code, valid});
        i += len;
    }
    return out;
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

int WidthOf(char32_t c) {
    // The width table of the C.UTF-8 locale, used for this call only so the process locale stays.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (c < 0x80 || utf8 == static_cast<locale_t>(nullptr))
        return 1;
    const locale_t old = uselocale(utf8);
    const int w = wcwidth(static_cast<wchar_t>(c));
    uselocale(old);
    return w < 0 ? 1 : w;
}

} // namespace

std::string TerminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const Glyph& g : Decode(text)) {
        if (g.valid && !IsControl(g.code))
            out.append(g.bytes);
        else
            out += '?';
    }
    return out;
}

int DisplayWidth(std::string_view text) {
    int width = 0;
    for (const Glyph& g : Decode(text))
        width += g.valid ? WidthOf(g.code) : 1;
    return width;
}

std::string FitFromLeft(std::string_view text, int columns) {
    const std::string safe = TerminalSafe(text);
    if (DisplayWidth(safe) <= columns)
        return safe;
    if (columns <= 0)
        return "";
    static constexpr std::string_view Ellipsis = "…";
    const std::vector<Glyph> glyphs = Decode(safe);
    int width = 1; // the ellipsis
    size_t first = glyphs.size();
    while (first > 0) {
        const int w = WidthOf(glyphs[first - 1].code);
        if (width + w > columns)
            break;
        width += w;
        --first;
    }
    std::string out(Ellipsis);
    for (size_t i = first; i < glyphs.size(); ++i)
        out.append(glyphs[i].bytes);
    return out;
}

std::string UnixLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

std::string Printable(std::string_view text, bool terminal) {
    const std::string unix = UnixLineBreaks(text);
    if (!terminal)
        return unix;
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t end = unix.find('\n', start);
        out += TerminalSafe(std::string_view(unix).substr(start, end - start));
        if (end == std::string::npos)
            return out;
        out += '\n';
        start = end + 1;
    }
}

std::string FormatBytes(int64_t bytes) {
    char buf[32];
    if (bytes < 1000) {
        std::snprintf(buf, sizeof buf, "%lld B", static_cast<long long>(bytes));
        return buf;
    }
    static constexpr const char* Units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double v = static_cast<double>(bytes) / 1000.0;
    int unit = 0;
    while (v >= 999.95 && unit < 5) {
        v /= 1000.0;
        ++unit;
    }
    std::snprintf(buf, sizeof buf, v < 9.995 ? "%.2f %s" : "%.1f %s", v, Units[unit]);
    return buf;
}

std::string FormatDuration(double seconds) {
    char buf[32];
    if (seconds < 0)
        seconds = 0;
    if (seconds < 59.95) {
        std::snprintf(buf, sizeof buf, "%.1f s", seconds);
        return buf;
    }
    const long long whole = static_cast<long long>(seconds + 0.5);
    if (whole < 3600)
        std::snprintf(buf, sizeof buf, "%lld min %02lld s", whole / 60, whole % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld h %02lld min", whole / 3600, whole % 3600 / 60);
    return buf;
}

} // namespace hozonix::runner
