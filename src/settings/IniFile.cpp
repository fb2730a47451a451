#include "settings/IniFile.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "settings/IniDocument.h"
#include "settings/IniValues.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <ctime>

namespace hozonix {

namespace {

// Counts the writes of every IniFile in the process, so that a copy held by one object never outlives a
// write through another, even one that leaves the file's stamp as it was.
std::atomic<unsigned long> writeCount{0};

// How far a file's time may lag the clock (file times come from a coarse clock). A file changed this
// close to the moment it was read may have changed again after the read without its stamp showing it.
constexpr std::int64_t kStampSlackNs = 20'000'000;

std::int64_t NowNs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
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
        ThrowFileError(FileAction::Read, path, err); // never replace a file that could not be read
    IniDocument doc = IniDocument::Parse(bytes);
    if (!edit(doc))
        return;
    ReplaceFileAtomically(path, doc.Serialize());
    ++writeCount;
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

struct IniFile::Copy {
    bool exists = false; // false: the file was missing, and reads as empty
    FileStamp stamp;
    bool trusted = true;
    unsigned long writes = 0;
    IniValues values;
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile::~IniFile() = default;

std::optional<std::string> IniFile::FindRaw(std::string_view section, std::string_view key) const {
    std::lock_guard lock(mutex_);
    FileStamp now;
    const bool exists = StampOfFile(path_, now);
    const bool current = copy_ != nullptr && copy_->trusted && copy_->writes == writeCount.load() &&
                         copy_->exists == exists && (!exists || copy_->stamp == now);
    if (!current) {
        auto copy = std::make_unique<Copy>();
        copy->writes = writeCount.load();
        const std::int64_t readStart = NowNs();
        std::string bytes;
        const int err = ReadWholeFile(path_, bytes, kMaxTextFileBytes, &copy->stamp);
        if (err == EFBIG || err == kNotRegularFile) {
            copy_.reset();
            ThrowFileError(FileAction::Read, path_, err);
        }
        // A missing or unreadable file reads as empty.
        if (err != 0)
            bytes.clear();
        if (err == 0)
            copy->exists = true;
        else
            copy->exists = StampOfFile(path_, copy->stamp);
        copy->trusted = !copy->exists ||
                        std::max(copy->stamp.modifiedNs, copy->stamp.changedNs) < readStart - kStampSlackNs;
        copy->values = IniValues::Parse(std::move(bytes));
        copy_ = std::move(copy);
    }
    const auto raw = copy_->values.Find(section, key);
    if (!raw)
        return std::nullopt;
    return std::string(*raw);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const std::optional<std::string> raw = FindRaw(section, key);
    if (!raw)
        return std::string(def);
    std::string_view v = TrimBlanks(*raw);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
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
