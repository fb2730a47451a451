#include "engine/UnfinishedRunMark.h"

#include "base/AtomicFile.h"
#include "base/ScopedFd.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

constexpr char Subfolder[] = "/RUNNING";

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

UnfinishedRunMark::UnfinishedRunMark(const std::string& folder, const std::string& profile)
    : profile_(profile) {
    if (folder.empty())
        return;
    folder_ = folder + Subfolder;
    path_ = folder_ + "/" + FileNameFor(profile);
    struct stat st {};
    wasLeft_ = lstat(path_.c_str(), &st) == 0;
}

bool UnfinishedRunMark::Set() {
    if (path_.empty())
        return false;
    if (mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    ScopedFd fd(open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return false;
    const bool written = WriteAll(fd.get(), profile_ + "\n") && fsync(fd.get()) == 0;
    fd.reset();
    if (!written)
        return false;
    // The mark must outlive a power cut that the copies made after it do not.
    const ScopedFd dir(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.get() >= 0 && fsync(dir.get()) == 0;
}

void UnfinishedRunMark::Clear() {
    if (!path_.empty())
        unlink(path_.c_str());
}

} // namespace hozonix::engine
