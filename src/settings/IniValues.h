#pragma once
// The values of an INI text, for reading: the text is split once and every later lookup is a hash
// lookup, under the same rules as IniDocument::Find (first matching section, first matching key in it,
// names without regard to ASCII letter case). Memory grows with the number of keys, not of lines.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hozonix {

class IniValues {
public:
    static IniValues Parse(std::string bytes);

    // The raw text after the "=", as IniDocument::Find gives it.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

private:
    struct Span {
        std::size_t start;
        std::size_t size;
    };
    using Keys = std::unordered_map<std::string, Span>;

    std::string bytes_;
    std::unordered_map<std::string, Keys> sections_;
};

} // namespace hozonix
