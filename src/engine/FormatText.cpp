#include "FormatText.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace hozonix::engine {

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

std::string FormatText(const char* format, ...) {
    const locale_t previous = uselocale(CLocale());
    char small[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        out.resize(static_cast<size_t>(n) + 1);
        va_start(args, format);
        std::vsnprintf(out.data(), out.size(), format, args);
        va_end(args);
        out.resize(static_cast<size_t>(n));
    }
    uselocale(previous);
    return out;
}

} // namespace hozonix::engine
