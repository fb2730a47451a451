#pragma once
// What makes a copy the same file besides its bytes and its last-write time: the permission bits, the
// owner (only a root process can give a file away), user extended attributes and the access ACL. A
// destination that cannot keep one of them (FAT, a file system without extended attributes, an ACL it
// does not understand) goes without it, silently: the copy itself still counts. Security and trusted
// attributes belong to the machine the source lives on and are not copied.

#include <sys/stat.h>
#include <sys/types.h>

namespace hozonix::engine {

// Gives the open `targetFd` the metadata of the open `sourceFd`, whose fstat is `source`. Done on the
// open file before it gets its name, so that the name never shows wider permissions than the final ones.
// `givenMode`: the target was made with the source's permission bits, which are then set again only
// where the umask or the folder's default ACL took some away (most files need no call for it).
void CopyMetadata(int sourceFd, const struct stat& source, int targetFd, bool givenMode = false);

// The mode to create an unnamed copy with: the source's permission bits, and its owner may write it, so
// that attributes can still be set on it.
inline mode_t UnnamedModeFor(mode_t sourceMode) {
    return (sourceMode & 0777) | S_IRUSR | S_IWUSR;
}

// The permission bits a folder created for a source folder of mode `sourceMode` gets. A process other
// than root keeps the right to fill and update it, whatever the source folder allows its owner.
mode_t FolderModeFor(mode_t sourceMode);

} // namespace hozonix::engine
