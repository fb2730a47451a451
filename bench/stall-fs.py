#!/usr/bin/python3
"""A destination that stalls: a FUSE file system that passes every call through to a real folder, except
that one write call sleeps before it is done, as a drive or share that hangs for a while would.
  stall-fs.py BACKING MOUNTPOINT LOG [--stall-after N] [--stall-seconds S]
The stalled call is the first write after N writes (default 200); it sleeps S seconds (default 5).
LOG receives "stall_begin NS PATH" as the call starts to wait and "stall_end NS" just before it returns,
NS being CLOCK_MONOTONIC in nanoseconds, the clock the GUI bench reads too. Runs in the foreground until
unmounted. Calls are handled on several threads, so only the caller of that one write waits."""
import argparse
import errno
import os
import threading
import time

import fusepy

# fusepy hands times over as one number of nanoseconds: these are the kernel's "now" and "leave it" marks
# (tv_sec 0, tv_nsec UTIME_NOW or UTIME_OMIT) as they arrive.
UTIME_NOW = (1 << 30) - 1
UTIME_OMIT = (1 << 30) - 2


class StallFs(fusepy.Operations):
    use_ns = True

    def __init__(self, root, log, stall_after, stall_seconds):
        self.root = os.path.realpath(root).encode()
        self.log = log
        self.stall_after = stall_after
        self.stall_seconds = stall_seconds
        self.writes = 0
        self.count_guard = threading.Lock()

    # Paths come in decoded as Latin-1, so that every byte of a name passes through unchanged.
    def _p(self, path):
        return self.root + path.encode("latin-1")

    def _note(self, line):
        with open(self.log, "a") as f:
            f.write(line + "\n")
            f.flush()

    def access(self, path, amode):
        if not os.access(self._p(path), amode):
            raise fusepy.FuseOSError(errno.EACCES)

    def getattr(self, path, fh=None):
        st = os.fstat(fh.fh) if fh else os.lstat(self._p(path))
        return {
            "st_mode": st.st_mode, "st_nlink": st.st_nlink, "st_uid": st.st_uid, "st_gid": st.st_gid,
            "st_size": st.st_size, "st_atime": st.st_atime_ns, "st_mtime": st.st_mtime_ns,
            "st_ctime": st.st_ctime_ns, "st_ino": st.st_ino, "st_blocks": st.st_blocks,
        }

    def readdir(self, path, fh):
        return [".", ".."] + [n.decode("latin-1") for n in os.listdir(self._p(path))]

    def readlink(self, path):
        return os.readlink(self._p(path)).decode("latin-1")

    def mkdir(self, path, mode):
        os.mkdir(self._p(path), mode)

    def rmdir(self, path):
        os.rmdir(self._p(path))

    def unlink(self, path):
        os.unlink(self._p(path))

    def symlink(self, target, source):
        os.symlink(source.encode("latin-1"), self._p(target))

    def link(self, target, source):
        os.link(self._p(source), self._p(target))

    def rename(self, old, new):
        os.rename(self._p(old), self._p(new))

    def chmod(self, path, mode):
        os.chmod(self._p(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._p(path), uid, gid, follow_symlinks=False)

    def truncate(self, path, length, fh=None):
        if fh:
            os.ftruncate(fh.fh, length)
        else:
            os.truncate(self._p(path), length)

    def utimens(self, path, times=None):
        p = self._p(path)
        if times is None:
            os.utime(p, follow_symlinks=False)
            return
        st = os.lstat(p)
        now = time.time_ns()
        kept = (st.st_atime_ns, st.st_mtime_ns)
        ns = tuple(now if t == UTIME_NOW else kept[i] if t == UTIME_OMIT else t for i, t in enumerate(times))
        os.utime(p, ns=ns, follow_symlinks=False)

    def open(self, path, fi):
        fi.fh = os.open(self._p(path), fi.flags)
        return 0

    def create(self, path, mode, fi):
        fi.fh = os.open(self._p(path), fi.flags | os.O_CREAT, mode)
        return 0

    def read(self, path, size, offset, fh):
        return os.pread(fh.fh, size, offset)

    def write(self, path, data, offset, fh):
        with self.count_guard:
            self.writes += 1
            stall = self.writes == self.stall_after + 1
        if stall:
            self._note(f"stall_begin {time.clock_gettime_ns(time.CLOCK_MONOTONIC)} {path}")
            time.sleep(self.stall_seconds)
            self._note(f"stall_end {time.clock_gettime_ns(time.CLOCK_MONOTONIC)}")
        return os.pwrite(fh.fh, data, offset)

    def flush(self, path, fh):
        # close() of a duplicate, so that write errors reported at close reach the caller.
        os.close(os.dup(fh.fh))

    def release(self, path, fh):
        os.close(fh.fh)

    def fsync(self, path, datasync, fh):
        (os.fdatasync if datasync else os.fsync)(fh.fh)

    def statfs(self, path):
        sv = os.statvfs(self._p(path))
        return {k: getattr(sv, k) for k in ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
                                            "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("backing")
    ap.add_argument("mountpoint")
    ap.add_argument("log")
    ap.add_argument("--stall-after", type=int, default=200)
    ap.add_argument("--stall-seconds", type=float, default=5.0)
    a = ap.parse_args()
    fusepy.FUSE(StallFs(a.backing, a.log, a.stall_after, a.stall_seconds), a.mountpoint, raw_fi=True,
                encoding="latin-1", foreground=True, nothreads=False, fsname="hozonix-stall")


main()
