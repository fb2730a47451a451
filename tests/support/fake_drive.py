#!/usr/bin/python3
# A pass-through FUSE file system for the tests: it shows BACKING_DIR at MOUNTPOINT and can behave like the
# drives users back up to (FAT, exFAT, NTFS, network shares): coarse or ignored time stamps, names that
# ignore letter case or follow the Windows rules, no hard links, no extended attributes, no modes.
# Run it as root with Debian's python3-fusepy: /usr/bin/python3 fake_drive.py BACKING MOUNTPOINT [options]
import argparse
import codecs
import errno
import os
import stat
import sys
import time

try:
    import fusepy
except ImportError:
    sys.stderr.write("fake_drive: python3-fusepy is not installed\n")
    sys.exit(3)

# fusepy decodes paths with a codec name and no error handler: names that are not UTF-8 need surrogateescape.
codecs.register(lambda name: codecs.CodecInfo(
    lambda s, errors="strict": codecs.utf_8_encode(s, "surrogateescape"),
    lambda b, errors="strict": codecs.utf_8_decode(b, "surrogateescape", True),
    name="fsbytes") if name == "fsbytes" else None)

UTIME_NOW, UTIME_OMIT = (1 << 30) - 1, (1 << 30) - 2
WINDOWS_BAD = set('<>:"\\|?*') | {chr(c) for c in range(1, 32)}


def fail(code):
    raise fusepy.FuseOSError(code)


class FakeDrive(fusepy.Operations):
    use_ns = True

    def __init__(self, backing, args):
        self.backing = os.path.abspath(backing)
        self.args = args
        self.step = max(1, args.time_step)

    # Names.
    def _lookup_name(self, folder, name):
        if self.args.windows_names and name.rstrip(". "):
            name = name.rstrip(". ")
        if self.args.case_blind and not os.path.lexists(os.path.join(folder, name)):
            try:
                wanted = name.casefold()
                return next(n for n in os.listdir(folder) if n.casefold() == wanted)
            except (OSError, StopIteration):
                pass
        return name

    def real(self, path):
        folder = self.backing
        for name in path.split("/"):
            if name:
                folder = os.path.join(folder, self._lookup_name(folder, name))
        return folder

    def new(self, path):
        """The backing path for a name about to be made, checked like the drive would."""
        name = path.rsplit("/", 1)[-1]
        if self.args.windows_names:
            if WINDOWS_BAD & set(name) or not name.rstrip(". "):
                fail(errno.EINVAL)
            if len(name.rstrip(". ").encode("utf-16-le", "surrogatepass")) > 255 * 2:
                fail(errno.ENAMETOOLONG)
        return self.real(path)

    def _own(self, real):
        if not self.args.no_modes:
            uid, gid, _ = fusepy.fuse_get_context()
            os.chown(real, uid, gid, follow_symlinks=False)

    # Attributes.
    def getattr(self, path, fh=None):
        st = os.fstat(fh.fh) if fh else os.lstat(self.real(path))
        attrs = {k: getattr(st, k) for k in ("st_mode", "st_ino", "st_nlink", "st_uid", "st_gid", "st_size",
                                             "st_blocks", "st_blksize", "st_rdev")}
        attrs["st_ctime"] = st.st_ctime_ns
        attrs["st_atime"] = st.st_atime_ns - st.st_atime_ns % self.step
        attrs["st_mtime"] = 0 if self.args.times == "zero" else st.st_mtime_ns - st.st_mtime_ns % self.step
        if self.args.no_modes:
            kind = stat.S_IFMT(st.st_mode)
            attrs["st_mode"] = kind | {stat.S_IFDIR: 0o755, stat.S_IFLNK: 0o777}.get(kind, 0o644)
            attrs["st_uid"] = attrs["st_gid"] = 0
        return attrs

    def chmod(self, path, mode):
        if not self.args.no_modes:
            os.chmod(self.real(path), mode)

    def chown(self, path, uid, gid):
        if not self.args.no_modes:
            os.chown(self.real(path), uid, gid, follow_symlinks=False)

    def utimens(self, path, times=None):
        real = self.real(path)
        st = os.lstat(real)
        if self.args.times == "ignore":
            return
        atime, mtime = times or (UTIME_NOW, UTIME_NOW)
        now = time.time_ns()
        atime = st.st_atime_ns if atime == UTIME_OMIT else now if atime == UTIME_NOW else atime
        mtime = st.st_mtime_ns if mtime == UTIME_OMIT else now if mtime == UTIME_NOW else mtime
        os.utime(real, ns=(atime - atime % self.step, mtime - mtime % self.step), follow_symlinks=False)

    def access(self, path, amode):
        if not os.access(self.real(path), amode, follow_symlinks=False):
            fail(errno.EACCES)

    def statfs(self, path):
        sv = os.statvfs(self.real(path))
        return {k: getattr(sv, k) for k in ("f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files",
                                            "f_ffree", "f_favail", "f_flag", "f_namemax")}

    # Folders and names.
    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self.real(path))

    def mkdir(self, path, mode):
        real = self.new(path)
        os.mkdir(real, mode)
        self._own(real)

    def mknod(self, path, mode, dev):
        real = self.new(path)
        os.mknod(real, mode, dev)
        self._own(real)

    def rmdir(self, path):
        os.rmdir(self.real(path))

    def unlink(self, path):
        os.unlink(self.real(path))

    def rename(self, old, new):
        source, target = self.real(old), self.new(new)
        if os.path.lexists(target) and os.path.samestat(os.lstat(source), os.lstat(target)):
            # The same entry under another spelling (case-blind): take the new spelling.
            name = new.rsplit("/", 1)[-1]
            target = os.path.join(os.path.dirname(target), name.rstrip(". ") if self.args.windows_names else name)
        os.rename(source, target)

    def link(self, target, source):
        if self.args.no_links:
            fail(getattr(errno, self.args.no_links))
        os.link(self.real(source), self.new(target))

    def symlink(self, target, source):
        real = self.new(target)
        os.symlink(source, real)
        self._own(real)

    def readlink(self, path):
        return os.readlink(self.real(path))

    # File contents.
    def open(self, path, fi):
        fi.fh = os.open(self.real(path), fi.flags & ~os.O_APPEND)  # the kernel gives append offsets itself

    def create(self, path, mode, fi):
        real = self.new(path)
        fi.fh = os.open(real, (fi.flags & ~os.O_APPEND) | os.O_CREAT, mode)
        self._own(real)

    def read(self, path, size, offset, fi):
        time.sleep(self.args.read_delay)
        return os.pread(fi.fh, size, offset)

    def write(self, path, data, offset, fi):
        return os.pwrite(fi.fh, data, offset)

    def truncate(self, path, length, fh=None):
        if fh:
            os.ftruncate(fh.fh, length)
        else:
            os.truncate(self.real(path), length)

    def flush(self, path, fi):
        # Each close: a share that stamps its own time then loses one set on the open file.
        if self.args.times == "close" and fi.flags & (os.O_WRONLY | os.O_RDWR):
            os.utime(fi.fh)

    def release(self, path, fi):
        os.close(fi.fh)

    def fsync(self, path, datasync, fi):
        (os.fdatasync if datasync else os.fsync)(fi.fh)

    # Extended attributes.
    def _xattrs(self):
        if self.args.no_xattrs:
            fail(errno.ENOTSUP)

    def getxattr(self, path, name, position=0):
        self._xattrs()
        return os.getxattr(self.real(path), name, follow_symlinks=False)

    def setxattr(self, path, name, value, options, position=0):
        self._xattrs()
        os.setxattr(self.real(path), name, value, options, follow_symlinks=False)

    def listxattr(self, path):
        self._xattrs()
        return os.listxattr(self.real(path), follow_symlinks=False)

    def removexattr(self, path, name):
        self._xattrs()
        os.removexattr(self.real(path), name, follow_symlinks=False)


def main():
    parser = argparse.ArgumentParser(description="A FUSE file system that imitates backup destinations.")
    parser.add_argument("backing")
    parser.add_argument("mountpoint")
    parser.add_argument("--time-step", type=int, default=1, metavar="NS")
    parser.add_argument("--times", choices=("keep", "ignore", "zero", "close"), default="keep")
    parser.add_argument("--case-blind", action="store_true")
    parser.add_argument("--windows-names", action="store_true")
    parser.add_argument("--no-links", choices=("EPERM", "EIO"))
    parser.add_argument("--no-xattrs", action="store_true")
    parser.add_argument("--no-modes", action="store_true")
    parser.add_argument("--read-delay", type=float, default=0.0, metavar="SECONDS")  # a slow drive
    args = parser.parse_args()
    os.umask(0)  # the kernel has applied the caller's umask already
    try:
        # No caching in the kernel: names may change spelling and the tests change the backing folder directly.
        # A file unlinked while open lives on as .fuse_hidden* until closed, as on NFS, so fstat keeps working.
        fusepy.FUSE(FakeDrive(args.backing, args), args.mountpoint, raw_fi=True, encoding="fsbytes",
                    foreground=True, nothreads=True, allow_other=True, default_permissions=True,
                    use_ino=True, entry_timeout=0, negative_timeout=0, attr_timeout=0,
                    fsname="fake_drive", subtype="fake_drive")
    except RuntimeError:
        sys.exit(4)  # libfuse has said why


if __name__ == "__main__":
    main()
