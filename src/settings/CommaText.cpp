#include "settings/CommaText.h"

namespace hozonix {
namespace {

bool IsBlankOrControl(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    size_t p = 0;
    const size_t n = text.size();
    auto skipBlanks = [&] {
        while (p < n && IsBlankOrControl(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < n && text[p] != '\0') {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            size_t start = p;
            while (p<n&& static_cast<unsigned char>(text[p])> ' ' && text[p] != ',')
                ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < n && text[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
    return items;
}

std::string JoinCommaText(const std::vector<std::string>& items) {
    if (items.size() == 1 && items.front().empty())
        return "\"\"";
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ',';
        const std::string& s = items[i];
        bool quote = false;
        for (char c : s) {
            auto u = static_cast<unsigned char>(c);
            if (u <= ' ' || c == '"' || c == ',') {
                quote = true;
                break;
            }
        }
        if (!quote) {
            out += s;
            continue;
        }
        out += '"';
        for (char c : s) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

} // namespace hozonix
