#include "settings/IniValues.h"

#include "settings/IniDocument.h"

namespace hozonix {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

} // namespace

IniValues IniValues::Parse(std::string bytes) {
    IniValues values;
    values.bytes_ = std::move(bytes);
    const std::string_view all = values.bytes_;
    std::size_t p = all.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
    // Only the first section of a name is read; the keys of a later one are skipped.
    Keys* current = nullptr;
    while (p < all.size()) {
        std::size_t nl = all.find('\n', p);
        std::size_t end = nl == std::string_view::npos ? all.size() : nl;
        const std::size_t next = nl == std::string_view::npos ? all.size() : nl + 1;
        if (nl != std::string_view::npos && end > p && all[end - 1] == '\r')
            --end;
        const std::string_view text = all.substr(p, end - p);
        const IniLine line = ParseIniLine(text);
        if (line.kind == IniLine::Kind::Section) {
            auto [it, inserted] = values.sections_.try_emplace(LowerAscii(line.name));
            current = inserted ? &it->second : nullptr;
        } else if (line.kind == IniLine::Kind::Key && current != nullptr) {
            current->try_emplace(LowerAscii(line.name),
                                 Span{p + line.valueStart, text.size() - line.valueStart});
        }
        p = next;
    }
    return values;
}

std::optional<std::string_view> IniValues::Find(std::string_view section, std::string_view key) const {
    const auto s = sections_.find(LowerAscii(TrimBlanks(section)));
    if (s == sections_.end())
        return std::nullopt;
    const auto k = s->second.find(LowerAscii(TrimBlanks(key)));
    if (k == s->second.end())
        return std::nullopt;
    return std::string_view(bytes_).substr(k->second.start, k->second.size);
}

} // namespace hozonix
