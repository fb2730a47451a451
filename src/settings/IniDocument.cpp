#include "settings/IniDocument.h"

namespace hozonix {

namespace {
constexpr std::string_view Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    if (bytes.substr(0, Bom.size()) == Bom) {
        doc.bom_ = true;
        bytes.remove_prefix(Bom.size());
    }
    size_t p = 0;
    while (p < bytes.size()) {
        size_t nl = bytes.find('\n', p);
        Line line;
        if (nl == std::string_view::npos) {
            line.text.assign(bytes.substr(p));
            p = bytes.size();
        } else {
            size_t end = nl;
            if (end > p && bytes[end - 1] == '\r') {
                --end;
                line.eol = "\r\n";
            } else {
                line.eol = "\n";
            }
            line.text.assign(bytes.substr(p, end - p));
            p = nl + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out;
    if (bom_)
        out += Bom;
    for (const Line& l : lines_) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

IniLine ParseIniLine(std::string_view text) {
    IniLine r;
    std::string_view t = TrimBlanks(text);
    if (t.empty())
        return r;
    if (t.front() == '[') {
        size_t close = t.find(']');
        r.kind = IniLine::Kind::Section;
        r.name =
            TrimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return r;
    }
    if (t.front() == ';' || t.front() == '#')
        return r;
    size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return r;
    r.kind = IniLine::Kind::Key;
    r.name = TrimBlanks(text.substr(0, eq));
    r.valueStart = eq + 1;
    return r;
}

size_t IniDocument::FindSection(std::string_view section) const {
    std::string_view wanted = TrimBlanks(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        IniLine p = ParseIniLine(lines_[i].text);
        if (p.kind == IniLine::Kind::Section && EqualsIgnoringCase(p.name, wanted))
            return i;
    }
    return std::string::npos;
}

size_t IniDocument::SectionEnd(size_t h) const {
    size_t i = h + 1;
    while (i < lines_.size() && ParseIniLine(lines_[i].text).kind != IniLine::Kind::Section)
        ++i;
    return i;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    size_t h = FindSection(section);
    if (h == std::string::npos)
        return std::nullopt;
    std::string_view wanted = TrimBlanks(key);
    size_t end = SectionEnd(h);
    for (size_t i = h + 1; i < end; ++i) {
        IniLine p = ParseIniLine(lines_[i].text);
        if (p.kind == IniLine::Kind::Key && EqualsIgnoringCase(p.name, wanted))
            return std::string_view(lines_[i].text).substr(p.valueStart);
    }
    return std::nullopt;
}

std::string IniDocument::DefaultEol() const {
    for (const Line& l : lines_) {
        if (!l.eol.empty())
            return l.eol;
    }
    return "\n";
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string eol = DefaultEol();
    size_t h = FindSection(section);
    if (h == std::string::npos) {
        if (!lines_.empty()) {
            if (lines_.back().eol.empty())
                lines_.back().eol = eol;
            if (!TrimBlanks(lines_.back().text).empty())
                lines_.push_back({"", eol});
        }
        lines_.push_back({"[" + std::string(section) + "]", eol});
        lines_.push_back({std::string(key) + "=" + std::string(value), eol});
        return;
    }
    std::string_view wanted = TrimBlanks(key);
    size_t end = SectionEnd(h);
    size_t lastContent = h;
    for (size_t i = h + 1; i < end; ++i) {
        IniLine p = ParseIniLine(lines_[i].text);
        if (p.kind == IniLine::Kind::Key && EqualsIgnoringCase(p.name, wanted)) {
            // Keep the key as the file spells it.
            lines_[i].text = lines_[i].text.substr(0, p.valueStart) + std::string(value);
            return;
        }
        if (!TrimBlanks(lines_[i].text).empty())
            lastContent = i;
    }
    if (lines_[lastContent].eol.empty())
        lines_[lastContent].eol = eol;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1),
                  Line{std::string(key) + "=" + std::string(value), eol});
}

bool IniDocument::EraseSection(std::string_view section) {
    bool erased = false;
    for (size_t h = FindSection(section); h != std::string::npos; h = FindSection(section)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h),
                     lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(h)));
        erased = true;
    }
    return erased;
}

} // namespace hozonix
