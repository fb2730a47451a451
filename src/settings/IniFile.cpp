#include "IniFile.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "IniDocument.h"

#include <cerrno>
#include <charconv>
#include <climits>

namespace hozonix {

namespace {

IniDocument LoadForReading(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes); // a missing or unreadable file reads as empty
    return IniDocument::Parse(bytes);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void CheckWritable(std::string_view section, std::string_view key, std::string_view value) {
    bool bad = HasLineBreak(section) || section.find(']') != std::string_view::npos ||
               TrimBlanks(section).empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos ||
               TrimBlanks(key).empty() || TrimBlanks(key).front() == '[' || TrimBlanks(key).front() == ';' ||
               TrimBlanks(key).front() == '#' || HasLineBreak(value);
    if (bad) {
        throw AppError("設定ファイルに保存できない文字が含まれています\r\n[" + std::string(section) + "] " +
                       std::string(key));
    }
}

// Reads, edits and replaces the file while holding the folder lock, so that another process of the
// program writing at the same moment cannot undo this write.
template <typename Edit> void EditFile(const std::string& path, Edit edit) {
    FolderLock lock(FolderOf(path));
    std::string bytes;
    int err = ReadWholeFile(path, bytes);
    if (err != 0 && err != ENOENT)
        ThrowSystemError(path, err); // never replace a file that could not be read
    IniDocument doc = IniDocument::Parse(bytes);
    if (!edit(doc))
        return;
    ReplaceFileAtomically(path, doc.Serialize());
}

} // namespace

bool ParseIniInteger(std::string_view text, int& value) {
    std::string_view t = text;
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty() || t.front() == '+' || t.front() == '-')
        return false;
    long long magnitude = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (ec != std::errc() || end != t.data() + t.size())
        return false;
    long long v = negative ? -magnitude : magnitude;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    IniDocument doc = LoadForReading(path_);
    auto raw = doc.Find(section, key);
    if (!raw)
        return std::string(def);
    std::string_view v = TrimBlanks(*raw);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    if (v.size() > MaxValueBytes) {
        size_t cut = MaxValueBytes;
        // Never split a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(v[cut]) & 0xC0) == 0x80)
            --cut;
        v = v.substr(0, cut);
    }
    return std::string(v);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    int value = def;
    if (!ParseIniInteger(ReadString(section, key, ""), value))
        return def;
    return value;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    CheckWritable(section, key, value);
    EditFile(path_, [&](IniDocument& doc) {
        doc.Set(section, key, value);
        return true;
    });
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::EraseSection(std::string_view section) {
    EditFile(path_, [&](IniDocument& doc) { return doc.EraseSection(section); });
}

} // namespace hozonix
