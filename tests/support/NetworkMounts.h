#pragma once
// Network file systems mounted privately for tests: an sshfs mount served by a private sshd, an rclone
// mount of a local remote, and a GVfs session whose FUSE folder shows the shares it mounts (with
// SambaServer, an SMB share as the desktop mounts it). Each starts its processes in its constructor
// (std::runtime_error with their logs when they do not come up) and stops them in its destructor: its
// mounts are gone, and every process it started, with their helpers, has ended and been reaped. The test
// process becomes a child subreaper, so helpers whose parent ended stay its children. Everything lives
// in a temporary folder of its own; servers listen on 127.0.0.1 only.
//
// Available() says why a test must skip instead (no root, no /dev/fuse, a program not installed).

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::test {

// The private folder of one fixture and the processes it started. Every one carries a mark of the
// fixture in its environment, so that those started on its behalf (by a bus, by a daemon) are found too.
class FixtureProcesses {
public:
    // Makes the folder /tmp/hozonix-KIND-XXXXXX.
    explicit FixtureProcesses(const std::string& kind);
    // Ends every process, detaches what is still mounted below the folder and removes it.
    ~FixtureProcesses();
    FixtureProcesses(const FixtureProcesses&) = delete;
    FixtureProcesses& operator=(const FixtureProcesses&) = delete;

    // Starts `argv` with this environment plus `env` ("NAME=value", replacing), `input` on its standard
    // input and its output appended to the log `logName`. Returns its process id.
    pid_t Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                const std::string& logName, const std::string& input = "");
    // Starts and waits: the exit status (128 + signal when killed, -1 after `timeoutSeconds`).
    int Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& logName, const std::string& input = "", int timeoutSeconds = 30);
    // True while `pid`, one of ours, has not ended.
    bool Running(pid_t pid);
    // Ends `pid` (SIGTERM, SIGKILL after a while) and reaps it.
    void Stop(pid_t pid);
    // Ends every process of the fixture and reaps those that are this process's children.
    void StopAll();
    // The logs written so far, each under its name.
    std::string Logs() const;
    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
    std::string mark_;
};

// A FUSE mount of ours at `mountPoint` shows in /proc/self/mountinfo with this type.
bool IsMountedAs(const std::string& mountPoint, const std::string& fsType);

class SshfsMount {
public:
    // With `secondMount`, the server's folder is mounted a second time, as a second machine sees it.
    explicit SshfsMount(bool secondMount = false);
    ~SshfsMount();
    SshfsMount(const SshfsMount&) = delete;
    SshfsMount& operator=(const SshfsMount&) = delete;

    static bool Available(std::string& why);

    // The folder the server serves, as it lies on the local disk.
    const std::string& ServerFolder() const { return serverFolder_; }
    const std::string& MountPoint() const { return mountPoints_[0]; }
    // "" without a second mount.
    std::string SecondMountPoint() const { return mountPoints_.size() > 1 ? mountPoints_[1] : ""; }
    // Unmounts (and ends sshfs), leaving the mount points as empty folders on the local disk, as a share
    // that went away does. The server goes on.
    void Unmount();

private:
    void Mount(const std::string& mountPoint);

    FixtureProcesses processes_;
    std::string serverFolder_;
    std::vector<std::string> mountPoints_;
    std::vector<pid_t> sshfs_;
    pid_t sshd_ = -1;
    int port_ = 0;
};

class RcloneMount {
public:
    RcloneMount();
    ~RcloneMount();
    RcloneMount(const RcloneMount&) = delete;
    RcloneMount& operator=(const RcloneMount&) = delete;

    static bool Available(std::string& why);

    // The local folder the remote ("type = local") is, where uploads land some seconds after a close.
    const std::string& RemoteFolder() const { return remoteFolder_; }
    const std::string& MountPoint() const { return mountPoint_; }
    // Unmounts (rclone then uploads what it holds and ends), leaving the mount point as an empty folder.
    void Unmount();

private:
    FixtureProcesses processes_;
    std::string remoteFolder_;
    std::string mountPoint_;
    pid_t rclone_ = -1;
};

// A desktop session of its own: a session bus, the GVfs daemon and its FUSE folder. While it lives,
// DBUS_SESSION_BUS_ADDRESS and XDG_RUNTIME_DIR of this process name it (they are put back afterwards),
// so that GIO in this process and in the programs it starts use this session. Its SMB client keeps to
// loopback, with no broadcasts, through a private client configuration.
class GvfsSession {
public:
    GvfsSession();
    ~GvfsSession();
    GvfsSession(const GvfsSession&) = delete;
    GvfsSession& operator=(const GvfsSession&) = delete;

    static bool Available(std::string& why);

    // Mounts smb://HOST[:PORT]/SHARE[/PATH] as `user` with `password` (through `gio mount`) and returns the
    // folder it shows as in the FUSE folder (with PATH appended). Throws std::runtime_error when it fails.
    std::string MountSmb(const std::string& url, const std::string& user, const std::string& password);
    // Unmounts it again and waits until its folder has disappeared.
    void Unmount(const std::string& url);

    const std::string& RuntimeDir() const { return runtimeDir_; }
    const std::string& BusAddress() const { return busAddress_; }

private:
    void Start();
    void Stop();
    std::vector<std::string> Environment() const;

    FixtureProcesses processes_;
    std::string runtimeDir_;
    std::string home_;
    std::string busAddress_;
    std::vector<std::string> mounted_;
    pid_t gvfsd_ = -1;
    pid_t fuse_ = -1;
    std::optional<std::string> oldBus_;
    std::optional<std::string> oldRuntimeDir_;
};

} // namespace hozonix::test
