#pragma once
// One INI text file (UTF-8), read and written one key at a time with no cache: every call opens the
// file again, so a write shows at once to every later read and to a person with the file in an editor.
//
// Reading: sections and keys match without regard to ASCII letter case; the first matching section and
// the first matching key in it win; a missing or unreadable file reads as empty. Strings lose blanks at
// both ends and one pair of enclosing double quotes, and are cut after 2047 bytes (never inside a UTF-8
// character). Integers are decimal or "0x" hexadecimal with an optional sign; other text gives the
// default.
//
// Writing keeps every other line of the file byte for byte (line endings, byte-order mark, comments,
// lines it does not understand) and replaces the file atomically: the new text goes to a temporary file
// in the same folder, which is renamed over the old one only when complete. A failed write raises an
// AppError with the platform's text and leaves the old file as it was.

#include <string>
#include <string_view>

namespace hozonix {

class IniFile {
public:
    static constexpr size_t MaxValueBytes = 2047;

    explicit IniFile(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    // Removes every section of that name with all its lines.
    void EraseSection(std::string_view section);

    // The program's everyday accessors: defaults 0 and empty.
    int ReadIniInteger(std::string_view section, std::string_view key) const {
        return ReadInteger(section, key, 0);
    }
    std::string ReadIniString(std::string_view section, std::string_view key) const {
        return ReadString(section, key, "");
    }
    bool WriteIniInteger(std::string_view section, std::string_view key, int value) {
        WriteInteger(section, key, value);
        return true;
    }
    bool WriteIniString(std::string_view section, std::string_view key, std::string_view value) {
        WriteString(section, key, value);
        return true;
    }

private:
    std::string path_;
};

// The integer rule of the settings file: optional sign, then decimal digits or "0x"/"0X" and hexadecimal
// digits, within 32 bits. Returns false for anything else.
bool ParseIniInteger(std::string_view text, int& value);

} // namespace hozonix
