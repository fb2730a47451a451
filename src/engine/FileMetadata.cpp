#include "engine/FileMetadata.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace hozonix::engine {

namespace {

constexpr char UserPrefix[] = "user.";
constexpr char AccessAcl[] = "system.posix_acl_access";

bool RunsAsRoot() {
    static const bool root = geteuid() == 0;
    return root;
}

// Copies one attribute. One removed or resized meanwhile, or one the target refuses, is left out.
void CopyAttribute(int sourceFd, int targetFd, const char* name, std::vector<char>& value) {
    if (value.empty())
        value.resize(256);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t n = fgetxattr(sourceFd, name, value.data(), value.size());
        if (n >= 0) {
            fsetxattr(targetFd, name, value.data(), static_cast<std::size_t>(n), 0);
            return;
        }
        const ssize_t need = errno == ERANGE ? fgetxattr(sourceFd, name, nullptr, 0) : -1;
        if (need < 0)
            return;
        value.resize(static_cast<std::size_t>(need) + 1); // never empty: a size of 0 only asks the size
    }
}

} // namespace

void CopyMetadata(int sourceFd, const struct stat& source, int targetFd, bool givenMode) {
    // chown clears the set-ID bits, so the owner comes first; those bits are kept only with their owner.
    // A new file is root's already when the source is.
    static const gid_t group = getegid();
    const bool owned = RunsAsRoot() && ((source.st_uid == 0 && source.st_gid == group) ||
                                        fchown(targetFd, source.st_uid, source.st_gid) == 0);

    // Most files have no attributes at all: this one call is all they cost.
    char small[1024];
    std::vector<char> large;
    const char* names = small;
    ssize_t length = flistxattr(sourceFd, small, sizeof small);
    for (int attempt = 0; length < 0 && errno == ERANGE && attempt < 3; ++attempt) {
        const ssize_t need = flistxattr(sourceFd, nullptr, 0);
        if (need < 0)
            break;
        large.resize(static_cast<std::size_t>(need) + 1);
        names = large.data();
        length = flistxattr(sourceFd, large.data(), large.size());
    }
    bool acl = false;
    std::vector<char> value;
    for (ssize_t at = 0; at < length;) {
        const char* name = names + at;
        const std::size_t size = strnlen(name, static_cast<std::size_t>(length - at));
        // User attributes before the mode: a read-only one would refuse them to an owner other than root.
        if (std::strncmp(name, UserPrefix, sizeof UserPrefix - 1) == 0)
            CopyAttribute(sourceFd, targetFd, name, value);
        else if (std::strcmp(name, AccessAcl) == 0)
            acl = true;
        at += static_cast<ssize_t>(size) + 1;
    }

    const mode_t mode = source.st_mode & (owned ? 07777 : 0777);
    struct stat target {};
    if (!givenMode || fstat(targetFd, &target) != 0 || (target.st_mode & 07777) != mode)
        fchmod(targetFd, mode);
    // After the mode, which rewrites an ACL's mask entry.
    if (acl)
        CopyAttribute(sourceFd, targetFd, AccessAcl, value);
}

mode_t FolderModeFor(mode_t sourceMode) {
    return (sourceMode & 0777) | (RunsAsRoot() ? 0 : S_IRWXU);
}

} // namespace hozonix::engine
