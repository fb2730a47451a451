#include "engine/UnfinishedRunMark.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/ScopedFd.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

constexpr char PidLine[] = "pid ";
constexpr char ParkedLine[] = "parked ";
constexpr char FolderLine[] = "folder ";

// A path on one line: "%", tabs and line ends escaped.
std::string Escaped(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescaped(std::string_view text) {
    const auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && digit(text[i + 1]) >= 0 && digit(text[i + 2]) >= 0) {
            out += static_cast<char>(digit(text[i + 1]) * 16 + digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool AppendAndSync(const std::string& path, const std::string& line) {
    ScopedFd fd(open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC));
    return fd.get() >= 0 && WriteAll(fd.get(), line) && fsync(fd.get()) == 0;
}

} // namespace

std::string UnfinishedRunMark::FileNameFor(const std::string& profile) {
    std::string name;
    uint64_t hash = 14695981039346656037ull; // FNV-1a, stable across builds
    for (const char c : profile) {
        const auto byte = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hash = (hash ^ byte) * 1099511628211ull;
        if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '_' || byte == '-' ||
            byte >= 0x80) {
            name += static_cast<char>(byte);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            name += hex;
        }
    }
    if (name.size() > 200) { // long names end in their hash, within the file system's limit
        char tail[24];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
        std::size_t cut = 200;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
        name += tail;
    }
    return name + ".run";
}

UnfinishedRunMark::UnfinishedRunMark(const std::string& folder, const std::string& profile, const char* kind)
    : profile_(profile) {
    if (folder.empty())
        return;
    folder_ = folder + "/" + kind;
    path_ = folder_ + "/" + FileNameFor(profile);
    struct stat st {};
    wasLeft_ = lstat(path_.c_str(), &st) == 0;
    std::string text;
    if (!wasLeft_ || ReadWholeFile(path_, text, 1 << 20) != 0)
        return;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = std::string_view(text).substr(at, end - at);
        at = end + 1;
        if (line.starts_with(PidLine)) {
            const long pid = std::strtol(std::string(line.substr(sizeof PidLine - 1)).c_str(), nullptr, 10);
            if (pid > 0)
                leftBy_.push_back(static_cast<pid_t>(pid));
        } else if (line.starts_with(ParkedLine)) {
            const std::string_view both = line.substr(sizeof ParkedLine - 1);
            const std::size_t tab = both.find('\t');
            if (tab != std::string_view::npos)
                leftParked_.push_back({Unescaped(both.substr(0, tab)), Unescaped(both.substr(tab + 1))});
        } else if (line.starts_with(FolderLine)) {
            leftFolders_.push_back(Unescaped(line.substr(sizeof FolderLine - 1)));
        }
    }
}

bool UnfinishedRunMark::Set() {
    if (path_.empty())
        return false;
    if (mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    std::string text = profile_ + "\n";
    // Temporary files of runs that did not end stay theirs to remove until a run has been everywhere.
    for (const pid_t pid : leftBy_)
        text += PidLine + std::to_string(pid) + "\n";
    text += PidLine + std::to_string(getpid()) + "\n";
    // Written whole or not at all, and on disk (folder included) before the copies made after it.
    try {
        ReplaceFileAtomically(path_, text);
    } catch (const AppError&) {
        return false;
    }
    return true;
}

bool UnfinishedRunMark::NoteParked(const std::string& target, const std::string& parked) {
    return path_.empty() ||
           AppendAndSync(path_, ParkedLine + Escaped(target) + "\t" + Escaped(parked) + "\n");
}

bool UnfinishedRunMark::NoteFolder(const std::string& folder) {
    return path_.empty() || AppendAndSync(path_, FolderLine + Escaped(folder) + "\n");
}

void UnfinishedRunMark::Clear() {
    if (!path_.empty())
        unlink(path_.c_str());
}

} // namespace hozonix::engine
