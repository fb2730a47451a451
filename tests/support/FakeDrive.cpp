#include "FakeDrive.h"

#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hozonix::test {

namespace {

constexpr const char* Python = "/usr/bin/python3";
constexpr const char* FsType = "fuse.fake_drive"; // fake_drive.py mounts with this subtype
constexpr auto MountTimeout = std::chrono::seconds(10);

// mountinfo writes space, tab, newline and backslash in names as \ooo.
std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool IsMounted(const std::string& mountPoint) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional fields] - type source super-options
        std::istringstream fields(line);
        std::string field, point;
        for (int i = 0; i < 5 && fields >> field; ++i)
            point = field;
        while (fields >> field && field != "-") {
        }
        if (fields >> field && field == FsType && Unescape(point) == mountPoint)
            return true;
    }
    return false;
}

} // namespace

FakeDrive::FakeDrive(const std::string& backing, const std::string& mountPoint,
                     std::vector<std::string> options)
    : backing_(backing), mountPoint_(mountPoint), options_(std::move(options)) {}

FakeDrive::~FakeDrive() {
    Stop();
}

bool FakeDrive::Start(std::string* whyNot) {
    const auto fail = [&](const std::string& reason) {
        *whyNot = "fake drive: " + reason;
        return false;
    };
    if (geteuid() != 0)
        return fail("mounting a FUSE file system needs root");
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return fail(std::string("no usable /dev/fuse: ") + strerror(errno));
    if (access(Python, X_OK) != 0)
        return fail(std::string("no ") + Python + " (Debian's, with python3-fusepy)");
    char real[PATH_MAX];
    if (realpath(mountPoint_.c_str(), real) == nullptr)
        return fail("mount point " + mountPoint_ + ": " + strerror(errno));
    mountPoint_ = real;

    std::vector<std::string> args{Python, HOZONIX_FAKE_DRIVE_SCRIPT, backing_, mountPoint_};
    args.insert(args.end(), options_.begin(), options_.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = StartChild([&] {
        prctl(PR_SET_PDEATHSIG, SIGTERM); // unmounts if the test dies
        execv(Python, argv.data());
        return 127;
    });

    const auto deadline = std::chrono::steady_clock::now() + MountTimeout;
    while (!IsMounted(mountPoint_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            if (code == 3)
                return fail(std::string(Python) + " has no fusepy (install python3-fusepy)");
            return fail("fake_drive.py ended with status " + std::to_string(code) + " without mounting");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            return fail("the mount did not show within 10 s at " + mountPoint_);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void FakeDrive::Stop() {
    if (pid_ < 0)
        return;
    // When something is still open there, the file system detaches itself on SIGTERM; detaching it here
    // first would make its own unmount fail, and say so.
    if (IsMounted(mountPoint_))
        umount(mountPoint_.c_str());
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 || (done < 0 && errno == EINTR)) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            WaitForChild(pid_);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    if (IsMounted(mountPoint_))
        umount2(mountPoint_.c_str(), MNT_DETACH);
}

} // namespace hozonix::test
