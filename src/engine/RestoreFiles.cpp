#include "engine/RestoreFiles.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "engine/BackupVersions.h"
#include "engine/CopyFile.h"
#include "engine/DestinationLock.h"
#include "engine/FileError.h"
#include "engine/FileMetadata.h"
#include "engine/FileTimes.h"
#include "engine/FolderCache.h"
#include "engine/FormatText.h"
#include "engine/History.h"
#include "engine/PathText.h"
#include "engine/Recovery.h"
#include "engine/TempTarget.h"
#include "engine/UnfinishedRunMark.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

// What a restore says, shown as they are.
namespace texts {

constexpr char Percent[] = "%";
constexpr char Collecting[] = "復元するファイルを集めています････ ";
constexpr char NothingToRestore[] = "復元するファイルはありません";
constexpr char Restoring[] = "を復元中･････ ";
constexpr char RestoringStatusFormat[] = "%s を復元中. [復元済 %d / %d]";
constexpr char RestoredCountFormat[] = "復元済  %3.1f%s [復元済 %d / %d]";
constexpr char RestoredFormat[] = "%d 個のファイルを復元しました";
constexpr char WouldRestoreFormat[] = "%d 個のファイルを復元します（試しのため書き込んでいません）";
constexpr char RestoreStopped[] = "復元を中止しました";

constexpr char BackupMissing[] = "バックアップのディレクトリが存在しません\r\n";
constexpr char NoTarget[] = "復元先のディレクトリが指定されていません";
constexpr char TargetInsideBackup[] = "復元先がバックアップの中にあるため、書き込みません\r\n";
constexpr char CannotMakeTarget[] = "復元先のディレクトリを作れません\r\n";
constexpr char CannotFlushRestored[] = "復元したファイルをディスクに書き込めません\r\n";

constexpr char PathLeadsOut[] = "復元先の外を指すパスのため、復元しません";
constexpr char PathInsideBackup[] = "復元先がバックアップの中になるため、復元しません";
constexpr char NotInBackup[] = "バックアップにありません";
constexpr char NotThen[] = "指定の日時にはバックアップにありませんでした";
constexpr char TargetNewer[] = "復元先のファイルのほうが新しいため、置き換えませんでした";
constexpr char LinkOnTheWay[] = "復元先の途中にシンボリックリンクがあるため、書き込みません";
constexpr char FileOnTheWay[] = "復元先の途中にファイルがあるため、フォルダを作れません";
constexpr char NotAFileAtTarget[] = "復元先の同じ場所にフォルダやリンクなど、ファイル以外のものがあります";
constexpr char CannotKeepAside[] = "復元先にあったファイルを別名で残せないため、置き換えませんでした";
constexpr char CannotReadBackup[] = "バックアップのファイルを読めません: ";
constexpr char CannotOpenTarget[] = "復元先のフォルダを開けません";
constexpr char CannotMakeCurrent[] = "バックアップのコピーを復元した版にできません";

} // namespace texts

constexpr char AsideEnding[] = ".before-restore";
constexpr char MarkKind[] = "RESTORING";

std::string RealPathOf(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return AbsolutePath(path);
    std::string out = real;
    std::free(real);
    return out;
}

int64_t WriteTimeOf(const struct stat& st) {
    return StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

bool EndsTheRestore(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO;
}

class Restore {
public:
    Restore(const RestoreRequest& request, RunHost& host, RestoreResult& result, const BackupTree& tree,
            const std::string& target, const std::string& realTarget, const std::string& realBackup,
            bool targetMissing, UnfinishedRunMark& mark)
        : request_(request), host_(host), result_(result), tree_(tree), mark_(mark), target_(target),
          realTarget_(realTarget), realBackup_(realBackup), targetMissing_(targetMissing),
          folders_(target, !request.DryRun, FolderCache::Links::Refuse, request.DestinationFolder),
          resolution_(targetMissing ? 1 : TimeResolutionOf(target)),
          started_(request.Started != 0 ? request.Started : std::time(nullptr)),
          makeCurrent_(!request.DryRun && !request.SourceFolder.empty() &&
                       realTarget == RealPathOf(request.SourceFolder)),
          backupFolders_(request.DestinationFolder, true, FolderCache::Links::Refuse) {}

    void Run() {
        host_.ShowProcessDialog("");
        host_.UpdateProcessDialog(1, texts::Collecting, "");
        host_.SetStatusText(texts::Collecting);
        host_.ProcessPendingEvents();
        const std::map<std::string, bool> files = Collect();
        const int count = static_cast<int>(files.size());
        if (count == 0 && !result_.Stopped) {
            host_.SetStatusText(texts::NothingToRestore);
            return;
        }
        int done = 0;
        for (const auto& [below, chosen] : files) {
            if (host_.AbortRequested())
                result_.Stopped = true;
            if (result_.Stopped)
                break;
            const double percent = static_cast<double>(done) * 100.0 / count;
            const std::string targetPath = JoinPath(target_, below);
            host_.SetStatusText(FormatText(texts::RestoringStatusFormat, targetPath, done, count));
            host_.SetMainBar(static_cast<int>(percent));
            if (host_.ProgressDue())
                host_.UpdateProcessDialog(
                    static_cast<int>(percent), targetPath + texts::Restoring,
                    FormatText(texts::RestoredCountFormat, percent, texts::Percent, done, count));
            host_.ProcessPendingEvents();
            if (host_.AbortRequested()) {
                result_.Stopped = true;
                break;
            }
            RestoreFile(below, targetPath, chosen);
            ++done;
        }
        if (!request_.DryRun) {
            if (const int error = folders_.Sync(); error != 0)
                throw AppError(texts::CannotFlushRestored + target_ + " (" + SystemErrorText(error) + ")");
        }
        host_.SetMainBar(100);
        host_.SetStatusText(
            result_.Stopped ? std::string(texts::RestoreStopped)
                            : FormatText(request_.DryRun ? texts::WouldRestoreFormat : texts::RestoredFormat,
                                         static_cast<int>(result_.Restored.size())));
    }

private:
    enum class Aside { None, Linked, Renamed };

    // The files to restore, below the destination, each with whether it was chosen by its own path.
    std::map<std::string, bool> Collect() {
        std::map<std::string, bool> files;
        std::vector<std::string> paths = request_.Paths;
        if (paths.empty())
            paths.emplace_back();
        for (const std::string& given : paths) {
            const std::optional<std::string> below = CleanBelowPath(given);
            if (!below) {
                result_.Failed.push_back({given, texts::PathLeadsOut});
                continue;
            }
            const std::vector<std::string> found = tree_.Files(*below, &host_.AbortFlag());
            if (host_.AbortRequested()) {
                result_.Stopped = true;
                return {};
            }
            if (found.empty() && !below->empty())
                result_.Skipped.push_back({JoinPath(target_, *below), texts::NotInBackup});
            for (const std::string& file : found)
                files[file] = files[file] || file == *below;
        }
        return files;
    }

    void RestoreFile(const std::string& below, const std::string& targetPath, bool chosen) {
        if (IsAtOrBelow(JoinPath(realTarget_, below), realBackup_)) {
            result_.Failed.push_back({targetPath, texts::PathInsideBackup});
            return;
        }
        const std::vector<BackupVersion> versions = tree_.Versions(below);
        const BackupVersion* version = VersionAsOf(versions, request_.AsOf);
        if (version == nullptr) {
            if (chosen || versions.empty())
                result_.Skipped.push_back(
                    {targetPath, versions.empty() ? texts::NotInBackup : texts::NotThen});
            else
                ++result_.NotThen;
            return;
        }

        const std::string name = FileNameOf(below);
        int folderFd = -1;
        if (!targetMissing_) {
            folderFd = folders_.Open(JoinPath(target_, FolderOf(below)));
            if (folderFd < 0) {
                const int error = folders_.Error();
                if (error == ELOOP)
                    return Fail(targetPath, texts::LinkOnTheWay);
                if (error == ENOTDIR || error == EEXIST)
                    return Fail(targetPath, texts::FileOnTheWay);
                if (!(request_.DryRun && error == ENOENT))
                    return Fail(targetPath,
                                std::string(texts::CannotOpenTarget) + ": " + SystemErrorText(error));
            }
        }
        struct stat existing {};
        bool exists = false;
        if (folderFd >= 0) {
            if (fstatat(folderFd, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
                exists = true;
            else if (errno != ENOENT)
                return Fail(targetPath, std::string(texts::CannotOpenTarget) + ": " + SystemErrorText(errno));
        }
        if (exists) {
            if (!S_ISREG(existing.st_mode))
                return Fail(targetPath, texts::NotAFileAtTarget);
            const int64_t existingTime = WriteTimeOf(existing);
            const bool sameTime = TimeKept(existingTime, version->writeTime, resolution_);
            if (sameTime && existing.st_size == version->size) {
                ++result_.Unchanged;
                // A restore stopped before the backup followed it is finished now.
                if (makeCurrent_)
                    MakeCurrent(below, versions, *version);
                return;
            }
            // Never replaced unasked: a dry run asks nobody and takes the answer no.
            if (!sameTime && existingTime > version->writeTime &&
                (request_.DryRun || !request_.ReplaceNewer ||
                 !request_.ReplaceNewer(targetPath, existingTime, version->writeTime))) {
                result_.Skipped.push_back({targetPath, texts::TargetNewer});
                return;
            }
        }
        if (request_.DryRun) {
            result_.Restored.push_back(targetPath);
            result_.BytesRestored += version->size;
            return;
        }
        try {
            if (Write(below, *version, folderFd, name, targetPath, exists)) {
                result_.Restored.push_back(targetPath);
                result_.BytesRestored += version->size;
                if (makeCurrent_)
                    MakeCurrent(below, versions, *version);
            }
        } catch (const FileError& e) {
            if (e.step() == FileError::Step::Write || EndsTheRestore(e.error()))
                throw;
            Fail(targetPath, e.Reason().empty() ? std::string(e.what()) : e.Reason());
        }
    }

    // Copies the version into place. False when the host asked to stop during the copy, or when the file
    // was listed as failed.
    bool Write(const std::string& below, const BackupVersion& version, int folderFd, const std::string& name,
               const std::string& targetPath, bool exists) {
        const std::string versionPath = tree_.VersionPath(below, version.run);
        const ScopedFd source(tree_.OpenVersion(below, version.run));
        struct stat st {};
        if (source.get() < 0 || fstat(source.get(), &st) != 0) {
            Fail(targetPath, texts::CannotReadBackup + versionPath + " (" + SystemErrorText(errno) + ")");
            return false;
        }
        // Unnamed where the file system allows, even over an existing file, so that a restore killed
        // mid-copy leaves nothing behind.
        NoteNamedTemporaryFiles(folderFd, FolderOf(targetPath));
        TempTarget temp;
        if (!temp.Create(folderFd, name, true, UnnamedModeFor(st.st_mode)))
            throw FileError(FileError::Step::Create, targetPath, errno);
        if (!FillTarget(source.get(), st, versionPath, temp.fd(), targetPath, st.st_size, &host_,
                        temp.Unnamed())) {
            result_.Stopped = true; // the temporary file goes; the target stays as it was
            return false;
        }
        // The set-ID bits go with their owner: a version of our own keeps them.
        if ((st.st_mode & 07000) != 0 && st.st_uid == geteuid())
            fchmod(temp.fd(), st.st_mode & 07777);
        if (!temp.Close())
            throw FileError(FileError::Step::Write, targetPath, errno);

        Aside aside = Aside::None;
        std::string asideName;
        if (exists) {
            aside = KeepAside(folderFd, name, asideName);
            if (aside == Aside::None) {
                Fail(targetPath, std::string(texts::CannotKeepAside) + ": " + SystemErrorText(errno));
                return false;
            }
        }
        if (!temp.CommitAs(name)) {
            const int error = errno;
            if (aside == Aside::Linked)
                unlinkat(folderFd, asideName.c_str(), 0);
            else if (aside == Aside::Renamed)
                renameat(folderFd, asideName.c_str(), folderFd, name.c_str());
            throw FileError(FileError::Step::Create, targetPath, error);
        }
        if (aside != Aside::None)
            result_.KeptAside.push_back(JoinPath(FolderOf(targetPath), asideName));
        return true;
    }

    // Gives the file `name` a hidden second name beside it: a link, or where the file system has none,
    // the file itself renamed (the new one takes its place right after). None (errno set) when neither.
    Aside KeepAside(int folderFd, const std::string& name, std::string& asideName) {
        bool links = true;
        for (int n = 1; n <= 100; ++n) {
            asideName = KeptAsideName(name, started_, n);
            if (links) {
                if (linkat(folderFd, name.c_str(), folderFd, asideName.c_str(), 0) == 0)
                    return Aside::Linked;
                if (errno == EEXIST)
                    continue;
                if (errno != EPERM && errno != EMLINK && errno != ENOTSUP && errno != ENOSYS)
                    return Aside::None;
                links = false;
            }
            if (renameat2(folderFd, name.c_str(), folderFd, asideName.c_str(), RENAME_NOREPLACE) == 0)
                return Aside::Renamed;
            if (errno == EEXIST)
                continue;
            if (errno != EINVAL && errno != ENOSYS)
                return Aside::None;
            // No exclusive rename here: look first.
            struct stat st {};
            if (fstatat(folderFd, asideName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                continue;
            if (renameat(folderFd, name.c_str(), folderFd, asideName.c_str()) == 0)
                return Aside::Renamed;
            return Aside::None;
        }
        errno = EEXIST;
        return Aside::None;
    }

    // After a restore to the folder the files came from, the backup's copy in place becomes the version
    // restored. Otherwise the next run would take the newer copy there for up to date (the restored file
    // has its older time back) and the backup would no longer hold what the source does. The copy it
    // replaces is kept in the history under the restore's time, as a run keeps what it replaces.
    void MakeCurrent(const std::string& below, const std::vector<BackupVersion>& versions,
                     const BackupVersion& version) {
        if (version.Current())
            return;
        if (!versions.empty() && versions.front().Current() && versions.front().size == version.size &&
            versions.front().writeTime == version.writeTime)
            return;
        const std::string current = JoinPath(request_.DestinationFolder, below);
        const std::string name = FileNameOf(below);
        try {
            const int folderFd = backupFolders_.Open(FolderOf(current));
            if (folderFd < 0)
                throw FileError(FileError::Step::Create, current, backupFolders_.Error());
            if (!keeper_)
                keeper_.emplace(tree_.RootFd(), request_.DestinationFolder, started_, noMark_);
            const HistoryKeeper::Kept kept = keeper_->Keep(folderFd, current);
            bool placed = false;
            try {
                placed = PlaceVersion(below, version, folderFd, name, current);
            } catch (const AppError&) {
                keeper_->Undo(folderFd, current, kept);
                throw;
            }
            if (!placed) {
                const int error = errno;
                keeper_->Undo(folderFd, current, kept);
                throw FileError(FileError::Step::Create, current, error);
            }
            ++result_.MadeCurrent;
        } catch (const AppError& e) {
            Fail(current, std::string(texts::CannotMakeCurrent) + ": " + e.what());
        }
    }

    // Puts the version in place as `name`: a second link to it where the drive has links, else a copy.
    // False (errno set) when neither can be done.
    bool PlaceVersion(const std::string& below, const BackupVersion& version, int folderFd,
                      const std::string& name, const std::string& current) {
        ScopedFd source(tree_.OpenVersion(below, version.run));
        struct stat st {};
        if (source.get() < 0 || fstat(source.get(), &st) != 0)
            return false;
        {
            TempTarget link;
            link.AdoptUnnamed(dup(source.get()), folderFd);
            if (link.CommitAs(name))
                return true;
            if (!NoHardLinks(errno) && errno != EXDEV)
                return false;
        }
        NoteNamedTemporaryFiles(folderFd, FolderOf(current));
        TempTarget copy;
        if (!copy.Create(folderFd, name, true, UnnamedModeFor(st.st_mode)))
            return false;
        const std::string versionPath = tree_.VersionPath(below, version.run);
        FillTarget(source.get(), st, versionPath, copy.fd(), current, st.st_size, nullptr, copy.Unnamed());
        return copy.Close() && copy.CommitAs(name);
    }

    // Before a temporary file is made in the open `folder`: where its drive has no unnamed files, the
    // folder is recorded once, so that the next restore finds what this one leaves if it is killed.
    void NoteNamedTemporaryFiles(int folderFd, const std::string& folder) {
        struct stat st {};
        if (fstat(folderFd, &st) != 0)
            return;
        const auto [drive, fresh] = unnamedFiles_.try_emplace(st.st_dev, false);
        if (fresh) {
            const int probe = openat(folderFd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600);
            drive->second = probe >= 0;
            if (probe >= 0)
                close(probe);
        }
        if (!drive->second && noted_.insert(folder).second)
            mark_.NoteFolder(folder);
    }

    void Fail(const std::string& targetPath, const std::string& reason) {
        result_.Failed.push_back({targetPath, reason});
    }

    const RestoreRequest& request_;
    RunHost& host_;
    RestoreResult& result_;
    const BackupTree& tree_;
    UnfinishedRunMark& mark_;
    std::string target_;
    std::string realTarget_;
    std::string realBackup_;
    bool targetMissing_;
    FolderCache folders_;
    int64_t resolution_;
    std::time_t started_;
    bool makeCurrent_;
    FolderCache backupFolders_;
    std::map<dev_t, bool> unnamedFiles_; // per drive: whether it offers unnamed files
    std::set<std::string> noted_;        // folders recorded for named temporary files
    UnfinishedRunMark noMark_{"", ""};   // a copy moved to the history is a version there, nothing to undo
    std::optional<HistoryKeeper> keeper_;
};

} // namespace

std::string KeptAsideName(const std::string& name, std::time_t when, int n) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, ".%04d-%02d-%02d_%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::string suffix = stamp;
    if (n > 1)
        suffix += "_" + std::to_string(n);
    return TempNameFor(name, suffix + AsideEnding, NAME_MAX);
}

void RestoreFiles(const RestoreRequest& request, RunHost& host, RestoreResult& result) {
    host.ClearAbortRequest();
    host.SetBusyCursor(true);
    RunEnd end(host);
    const BackupTree tree(request.DestinationFolder);
    if (!tree.Valid())
        throw AppError(texts::BackupMissing + request.DestinationFolder);
    const std::string target = request.TargetFolder.empty() ? request.SourceFolder : request.TargetFolder;
    if (target.empty())
        throw AppError(texts::NoTarget);
    result.TargetFolder = target;

    // The folder the files came from may be gone altogether: it is made again, but never its parent, so
    // that a drive that is not mounted is not replaced by folders on the disk below.
    struct stat st {};
    bool targetMissing = false;
    if (stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT)
            ThrowSystemError(texts::CannotMakeTarget + target + ": ", errno);
        if (request.DryRun)
            targetMissing = true;
        else if (mkdir(target.c_str(), 0777) != 0)
            ThrowSystemError(texts::CannotMakeTarget + target + ": ", errno);
    } else if (!S_ISDIR(st.st_mode)) {
        ThrowSystemError(texts::CannotMakeTarget + target + ": ", ENOTDIR);
    }
    const std::string realBackup = RealPathOf(request.DestinationFolder);
    const std::string realTarget =
        targetMissing ? JoinPath(RealPathOf(FolderOf(AbsolutePath(target))), FileNameOf(target))
                      : RealPathOf(target);
    if (IsAtOrBelow(realTarget, realBackup))
        throw AppError(texts::TargetInsideBackup + target);

    // No run changes the backup while it is read; a dry run writes nothing, not even the lock.
    std::optional<DestinationLock> lock;
    UnfinishedRunMark mark(request.DryRun ? std::string() : request.MarkFolder, request.ProfileName,
                           MarkKind);
    std::vector<std::string> unreached;
    if (!request.DryRun) {
        lock.emplace(request.DestinationFolder);
        // What a killed restore of the profile left; a folder that cannot be opened now stays recorded.
        for (const std::string& folder : mark.LeftFolders()) {
            const ScopedFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (fd.get() >= 0)
                RemoveStaleTemporaryFiles(fd.get(), mark.LeftBy());
            else
                unreached.push_back(folder);
        }
        mark.Set();
        for (const std::string& folder : unreached)
            mark.NoteFolder(folder);
    }
    // Ended in any way but a kill: its own temporary files are gone.
    const auto clear = [&] {
        if (unreached.empty())
            mark.Clear();
    };
    try {
        Restore(request, host, result, tree, target, realTarget, realBackup, targetMissing, mark).Run();
    } catch (...) {
        clear();
        throw;
    }
    clear();
}

} // namespace hozonix::engine
