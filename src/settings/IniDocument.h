#pragma once
// The in-memory form of an INI text: its lines exactly as read, so that an edit changes only the lines it
// means to and writes everything else back byte for byte.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix {

// One line of an INI text as the reading rules see it: a section header, a key line or anything else
// (blank, comment, text without "=").
struct IniLine {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view name; // section name or key, trimmed
    size_t valueStart = 0; // for keys: index after the "="
};
IniLine ParseIniLine(std::string_view text);

class IniDocument {
public:
    static IniDocument Parse(std::string_view bytes);
    std::string Serialize() const;

    // The raw text after the first "=" of the first matching key line of the first matching section.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Returns true when something was removed.
    bool EraseSection(std::string_view section);

private:
    struct Line {
        std::string text;
        std::string eol; // "\n", "\r\n" or empty for a last line without a line break
    };
    // Index of the first header line of the section, or npos.
    size_t FindSection(std::string_view section) const;
    // One past the last line of the section that starts at header index h.
    size_t SectionEnd(size_t h) const;
    std::string DefaultEol() const;

    bool bom_ = false;
    std::vector<Line> lines_;
};

// Compares two names without regard to ASCII letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Drops characters up to the blank (codes 0 to 32) at both ends.
std::string_view TrimBlanks(std::string_view s);

} // namespace hozonix
