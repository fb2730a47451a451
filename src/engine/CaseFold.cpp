#include "engine/CaseFold.h"

#include "base/TextCoding.h"

#include <cwctype>
#include <locale.h>

namespace hozonix::engine {

namespace {} // namespace

std::string FoldedName(std::string_view name) {
    // The case table of C.UTF-8, whatever locale the process runs in.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (b < 0x80) {
            out += static_cast<char>(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b);
            ++i;
            continue;
        }
        const std::size_t len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        char32_t c = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool valid = len != 0 && i + len <= name.size();
        for (std::size_t k = 1; valid && k < len; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid || utf8 == static_cast<locale_t>(nullptr)) {
            out += name[i]; // kept as a byte of its own
            ++i;
            continue;
        }
        AppendUtf8(out, static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), utf8)));
        i += len;
    }
    return out;
}

} // namespace hozonix::engine
