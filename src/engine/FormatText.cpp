#include "engine/FormatText.h"

#include <charconv>

namespace hozonix::engine {

namespace {

struct Conversion {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
    char conversion = 0;
};

// Parses the conversion after a "%"; returns the position after it.
std::size_t ParseConversion(std::string_view format, std::size_t at, Conversion& conv) {
    for (; at < format.size() && (format[at] == '-' || format[at] == '0'); ++at)
        (format[at] == '-' ? conv.left : conv.zero) = true;
    for (; at < format.size() && format[at] >= '0' && format[at] <= '9'; ++at)
        conv.width = conv.width * 10 + (format[at] - '0');
    if (at < format.size() && format[at] == '.') {
        conv.precision = 0;
        for (++at; at < format.size() && format[at] >= '0' && format[at] <= '9'; ++at)
            conv.precision = conv.precision * 10 + (format[at] - '0');
    }
    if (at < format.size())
        conv.conversion = format[at++];
    return at;
}

void Append(std::string& out, std::string_view body, const Conversion& conv, bool numeric) {
    const std::size_t width = static_cast<std::size_t>(conv.width);
    const std::size_t pad = body.size() < width ? width - body.size() : 0;
    if (conv.left) {
        out.append(body).append(pad, ' ');
    } else if (conv.zero && numeric) {
        std::size_t sign = !body.empty() && body[0] == '-' ? 1 : 0;
        out.append(body.substr(0, sign)).append(pad, '0').append(body.substr(sign));
    } else {
        out.append(pad, ' ').append(body);
    }
}

} // namespace

std::string FormatTextList(std::string_view format, std::initializer_list<FormatArg> args) {
    std::string out;
    out.reserve(format.size() + 64);
    auto next = args.begin();
    char number[512];
    for (std::size_t at = 0; at < format.size();) {
        const std::size_t percent = format.find('%', at);
        out.append(
            format.substr(at, percent == std::string_view::npos ? std::string_view::npos : percent - at));
        if (percent == std::string_view::npos)
            break;
        Conversion conv;
        at = ParseConversion(format, percent + 1, conv);
        if (conv.conversion == '%') {
            out += '%';
            continue;
        }
        if (next == args.end())
            break;
        const FormatArg& arg = *next++;
        switch (conv.conversion) {
        case 's': {
            std::string_view text = arg.text();
            if (conv.precision >= 0 && text.size() > static_cast<std::size_t>(conv.precision))
                text = text.substr(0, static_cast<std::size_t>(conv.precision));
            Append(out, text, conv, false);
            break;
        }
        case 'd': {
            auto r = std::to_chars(number, number + sizeof number, arg.integer());
            Append(out, std::string_view(number, static_cast<std::size_t>(r.ptr - number)), conv, true);
            break;
        }
        case 'f': {
            auto r = std::to_chars(number, number + sizeof number, arg.real(), std::chars_format::fixed,
                                   conv.precision < 0 ? 6 : conv.precision);
            Append(out, std::string_view(number, static_cast<std::size_t>(r.ptr - number)), conv, true);
            break;
        }
        default:
            break;
        }
    }
    return out;
}

} // namespace hozonix::engine
