#pragma once
// A FUSE file system for the tests (fake_drive.py) that shows a backing folder at a mount point and
// behaves like the drives users back up to: coarse or ignored time stamps, names that ignore case or
// follow the Windows rules, no hard links, no extended attributes, no modes. Mounting needs root,
// /dev/fuse and Debian's python3-fusepy; without them Start says why, for the test to skip.

#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::test {

class FakeDrive {
public:
    // `options` are those of fake_drive.py, e.g. {"--case-blind", "--time-step=2000000000"}. Both folders
    // must exist.
    FakeDrive(const std::string& backing, const std::string& mountPoint, std::vector<std::string> options);
    ~FakeDrive();
    FakeDrive(const FakeDrive&) = delete;
    FakeDrive& operator=(const FakeDrive&) = delete;

    // Mounts and waits until the mount shows; false with the reason when it cannot.
    bool Start(std::string* whyNot);
    // Unmounts (lazily when something is still open there) and ends the file system's process.
    void Stop();

    const std::string& MountPoint() const { return mountPoint_; }

private:
    std::string backing_;
    std::string mountPoint_;
    std::vector<std::string> options_;
    pid_t pid_ = -1;
};

} // namespace hozonix::test
