#pragma once
// One INI text file (UTF-8), read and written one key at a time. Reads come from one parsed copy of the
// file, which is read again whenever the file on disk is not the one copied (device, inode, size and
// change times to the nanosecond) and after every write through any IniFile of this process; a copy
// taken while the file was being changed is not trusted for longer than the read that took it. So a
// write shows at once to every later read, through any object, process or editor.
//
// Reading: sections and keys match without regard to ASCII letter case; the first matching section and
// the first matching key in it win; a missing or unreadable file reads as empty. A file the program
// refuses to read (larger than kMaxTextFileBytes, or a pipe, device or socket) raises AppError naming the
// path, on reading and on writing. Strings lose blanks at both ends and one pair of enclosing double
// quotes and are otherwise read whole. Integers are decimal or "0x" hexadecimal with an optional sign;
// other text gives the default.
//
// Writing keeps every other line of the file byte for byte (line endings, byte-order mark, comments,
// lines it does not understand) and replaces the file atomically: the new text goes to a temporary file
// in the same folder, which is renamed over the old one only when complete. A failed write raises an
// AppError with the platform's text and leaves the old file as it was.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace hozonix {

class IniFile {
public:
    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;
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
    struct Copy;
    // The raw value, read from the current copy under the lock.
    std::optional<std::string> FindRaw(std::string_view section, std::string_view key) const;

    std::string path_;
    mutable std::mutex mutex_;
    mutable std::unique_ptr<Copy> copy_;
};

// The integer rule of the settings file: optional sign, then decimal digits or "0x"/"0X" and hexadecimal
// digits, within 32 bits. Returns false for anything else.
bool ParseIniInteger(std::string_view text, int& value);

} // namespace hozonix
