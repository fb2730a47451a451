#include "engine/RunBackup.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "engine/CaseFold.h"
#include "engine/CopyAhead.h"
#include "engine/CopyFile.h"
#include "engine/DestinationDrive.h"
#include "engine/DestinationLock.h"
#include "engine/DestinationLookAhead.h"
#include "engine/DestinationProbe.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"
#include "engine/Exclusions.h"
#include "engine/FileEntry.h"
#include "engine/FileError.h"
#include "engine/FileTimes.h"
#include "engine/FolderCache.h"
#include "engine/FormatText.h"
#include "engine/HostedScan.h"
#include "engine/PathText.h"
#include "engine/Recovery.h"
#include "engine/ScanFolder.h"
#include "engine/TempTarget.h"
#include "engine/UnfinishedRunMark.h"
#include "engine/WriteBack.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <future>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace hozonix::engine {

namespace {

class OpenSource {
public:
    OpenSource(int folderFd, const std::string& path) {
        // Non-blocking, so that a FIFO put in a file's place can never hang the run.
        const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
        // Relative to its folder, so that paths beyond the system's limit work too.
        fd_.reset(folderFd >= 0 ? openat(folderFd, FileNameOf(path).c_str(), flags) : -1);
        error_ = fd_.get() < 0 ? (folderFd >= 0 ? errno : ENOENT) : 0;
        if (fd_.get() >= 0 && (fstat(fd_.get(), &st_) != 0 || !S_ISREG(st_.st_mode))) {
            fd_.reset();
            error_ = ENOENT; // no longer a file
        }
    }

    int fd() const { return fd_.get(); }
    const struct stat& Stat() const { return st_; }
    bool Gone() const { return error_ == ENOENT || error_ == ENOTDIR; }
    int Error() const { return error_; }

private:
    ScopedFd fd_;
    int error_ = 0;
    struct stat st_ {};
};

std::string DateTextOf(int64_t stamp) {
    try {
        return FormatDateText(LocalFileDateTime(stamp));
    } catch (const DateConversionError&) {
        return texts::InvalidDate;
    }
}

double Percent(int64_t part, int64_t whole) {
    return static_cast<double>(part) / static_cast<double>(whole) * 100.0;
}

// Create errors that say the destination cannot hold the name itself, which no later run can cure.
bool NameRefused(int error) {
    return error == EINVAL || error == ENAMETOOLONG || error == EILSEQ;
}

// "1.23 GB (1,234,567,890 バイト)"
std::string RoomText(int64_t bytes) {
    static constexpr const char* Units[] = {"KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(Units)) {
        value /= 1024;
        ++unit;
    }
    std::string digits = std::to_string(bytes);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", value, Units[unit]);
    return std::string(text) + " (" + digits + texts::Bytes + ")";
}

bool EndsInDotOrBlank(std::string_view name) {
    return !name.empty() && (name.back() == '.' || name.back() == ' ');
}

class BackupRun {
public:
    BackupRun(const BackupRequest& request, PathList& updated, PathList& failed, RunHost& host,
              BackupResult& result, UnfinishedRunMark& mark)
        : request_(request), updated_(updated), failed_(failed), host_(host), result_(result), mark_(mark),
          sources_(request.SourceFolder, false),
          destinations_(request.DestinationFolder, !request.DryRun, FolderCache::Links::Refuse,
                        request.SourceFolder) {}

    // Called once, just before the update phase of a run that has files to update.
    void BeforeWriting(std::function<void()> fn) { beforeWriting_ = std::move(fn); }

    // Each copy the run replaces keeps a name in the history.
    void KeepHistory(HistoryKeeper* keeper) { history_ = keeper; }

    // Something was written into the destination outside the copies (its stamp).
    void Touched() { touched_ = true; }
    // A file was left out at a question: no later fast run looks at it again.
    bool LeftFilesOut() const { return leftOut_; }
    // A previous version renamed aside could not be put back: only the mark still says where it is.
    bool RenamedAsideLeft() const { return renamedAside_; }

    // Makes everything the run wrote durable. 0, or the errno value of the failure. On a slow drive this
    // takes seconds, so it runs on a thread of its own while the window goes on handling its events.
    int Flush() const {
        if (!touched_ && !destinations_.CreatedAny())
            return 0;
        std::future<int> synced;
        try {
            synced = std::async(std::launch::async, [this] { return destinations_.Sync(); });
        } catch (const std::system_error&) { // no thread to be had: flush here
            return destinations_.Sync();
        }
        while (synced.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            host_.ProcessPendingEvents();
        return synced.get();
    }

    int Run() {
        host_.SetBusyCursor(true);
        RunEnd end(host_);
        const ExclusionRules rules(request_.ExcludedExtensions, request_.ExcludedFolders);
        FileList files;
        Scan(files, rules);
        if (host_.AbortRequested()) { // from the processing dialog, shown as the scan took long
            result_.Stopped = true;
            return 0;
        }
        result_.FilesFound = static_cast<int>(files.size());
        if (files.empty()) {
            host_.SetStatusText(texts::NoFilesToUpdate);
            return 0;
        }
        Inspect(files, rules);
        if (!files.empty()) {
            traits_ = ProbeDestination(destinations_.Open(request_.DestinationFolder),
                                       request_.DestinationFolder, !request_.DryRun);
            // Where no times are kept, a copy's time says little but its size (and the look-ahead stays
            // off). The user hears why.
            resolution_ = traits_.timeStep;
            if (traits_.timeStep == 0)
                result_.Notices.push_back(texts::NoTimesKept + request_.DestinationFolder);
            if (!request_.DryRun && request_.CheckFreeSpace)
                CheckRoom(files);
            DestinationLookAhead lookAhead(files, request_.SourceFolder, request_.DestinationFolder,
                                           resolution_);
            lookAhead_ = &lookAhead;
            std::optional<CopyAhead> copyAhead;
            if (!request_.DryRun) {
                writeBack_.emplace(request_.DestinationFolder);
                copyAhead.emplace(files, request_.SourceFolder, request_.DestinationFolder,
                                  request_.RecoveryThreshold, CopyAhead::Limits(), host_.AbortFlag());
                copyAhead_ = &*copyAhead;
            }
            if (beforeWriting_)
                beforeWriting_();
            Update(files);
            writeBack_.reset();
            copyAhead_ = nullptr;
            lookAhead_ = nullptr;
        }
        return writtenCount_;
    }

private:
    void Scan(FileList& files, const ExclusionRules& rules) {
        ScanOptions options = HostedScanOptions(host_, request_.DestinationFolder, request_.ScanQuietFor,
                                                request_.ScanLongAfter);
        options.dateLimit = request_.DateLimit;
        std::vector<std::string> unreadable;
        options.unreadable = &unreadable;
        std::vector<std::string> links;
        options.linksNotEntered = &links;
        ScanFolder(request_.SourceFolder, files, options);
        // Where nothing tells a file moved in from one that has been there all along, the scan has taken
        // every file: the user hears why a fast run took as long as a careful one.
        if (request_.DateLimit != 0) {
            const ScopedFd source(open(request_.SourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (source.get() >= 0 && !KeepsChangeTimes(source.get()))
                result_.Notices.push_back(texts::NoChangeTimes + request_.SourceFolder);
        }
        // Unread parts are failures, so that no later fast run takes this run's start as covering them.
        for (std::string& path : unreadable) {
            if (rules.Excludes(path))
                continue;
            failed_.push_back(path);
            ++result_.FilesFailed;
        }
        // Told once, so that nobody takes the run for a backup of what lies behind them; excluding the
        // link's path keeps it quiet.
        std::string notice;
        for (const std::string& path : links) {
            if (!rules.Excludes(path + "/"))
                notice += texts::LineBreak + path;
        }
        if (!notice.empty())
            result_.Notices.push_back(texts::LinksNotEntered + notice);
    }

    // What the run will write must fit into the destination's free space, told before anything is
    // written rather than by a full disk half-way. Only when the sizes of all files do not fit are the
    // copies there looked at, to leave out those up to date and count the room replaced copies give back
    // (none where the history or the protection keeps them).
    void CheckRoom(const FileList& files) {
        struct statvfs room {};
        const int rootFd = destinations_.Open(request_.DestinationFolder);
        if (rootFd < 0 || fstatvfs(rootFd, &room) != 0 || room.f_blocks == 0 || room.f_frsize == 0)
            return; // a file system that tells nothing of its room (some network mounts)
        const int64_t block = static_cast<int64_t>(room.f_frsize);
        const int64_t available = static_cast<int64_t>(
            std::min<unsigned long long>(room.f_bavail, std::numeric_limits<int64_t>::max() / block) * block);
        const auto rounded = [block](int64_t size) { return (size + block - 1) / block * block; };
        int64_t most = 0;
        for (FileList::Cursor file(files); !file.AtEnd(); file.Next())
            most += rounded(file.Size());
        if (most <= available)
            return;
        FolderCache there(request_.DestinationFolder, false, FolderCache::Links::Refuse);
        int64_t need = 0;
        int64_t largestFreed = 0;
        for (FileList::Cursor file(files); !file.AtEnd(); file.Next()) {
            host_.ProcessPendingEvents();
            if (host_.AbortRequested())
                return;
            const std::string target =
                DestinationPathOf(file.Path(), request_.SourceFolder, request_.DestinationFolder);
            const int folderFd = there.Open(FolderOf(target));
            struct stat st {};
            if (folderFd >= 0 &&
                fstatat(folderFd, FileNameOf(target).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode)) {
                if (IsCopyUpToDate(StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec), st.st_size,
                                   file.WriteTime(), file.Size(), resolution_))
                    continue;
                if (!request_.KeepHistory && !IsParked(file.Size(), request_.RecoveryThreshold)) {
                    need -= rounded(st.st_size);
                    largestFreed = std::max(largestFreed, rounded(st.st_size));
                }
            }
            need += rounded(file.Size());
        }
        // A replaced copy gives its room back only once its new version is complete.
        need += largestFreed;
        if (need > available)
            throw NoRoomError(texts::NoRoom + request_.DestinationFolder + texts::LineBreak +
                              texts::RoomNeeded + RoomText(need) + texts::LineBreak + texts::RoomFree +
                              RoomText(available));
    }

    // Drops the excluded entries. The dialog shows them from the last to the first, as it always has;
    // the checks read the list forward, where each name is decoded once.
    void Inspect(FileList& files, const ExclusionRules& rules) {
        const int total = static_cast<int>(files.size());
        host_.ShowProcessDialog("");
        host_.UpdateProcessDialog(1, texts::ComparingTimes, "");
        host_.SetStatusText(std::to_string(total) + texts::InspectingFiles);
        const bool whole =
            DropExcluded(files, rules, result_.FilesExcluded, result_.BytesTotal, [&](std::size_t index) {
                const int n = static_cast<int>(index) + 1;
                host_.ProcessPendingEvents();
                if (host_.AbortRequested())
                    return false;
                const double p = Percent(n, total);
                host_.SetMainBar(static_cast<int>(p));
                if (host_.ProgressDue())
                    host_.UpdateProcessDialog(
                        static_cast<int>(p), files.Path(files.size() - n) + texts::Inspecting,
                        FormatText(texts::InspectedFormat, p, texts::Percent, n, total));
                return true;
            });
        if (!whole) {
            files.clear();
            result_.Stopped = true;
        }
    }

    void Update(FileList& files) {
        files_ = &files;
        const int count = static_cast<int>(files.size());
        host_.SetStatusText(std::to_string(count) + texts::UpdatingFiles);
        for (FileList::Cursor file(files); !file.AtEnd(); file.Next()) {
            switch (UpdateOne(file, static_cast<int>(file.Index()) + 1, count)) {
            case Next::File:
                break;
            case Next::Skip:
                ++result_.FilesSkipped;
                break;
            case Next::End:
                result_.Stopped = true;
                return;
            }
        }
    }

    enum class Next { File, Skip, End };

    // Most files of a large tree are up to date: for those no path is made, only the file's name looked up
    // in its destination folder, which is worked out once per folder.
    Next UpdateOne(const FileList::Cursor& file, int i, int count) {
        const std::size_t index = file.Index();
        if (lookAhead_ != nullptr)
            lookAhead_->Reached(index);
        if (copyAhead_ != nullptr)
            copyAhead_->Reached(index);
        bool newFolder = false;
        if (file.Run() != targetRun_) {
            targetRun_ = file.Run();
            std::string folder =
                FolderOf(DestinationPathOf(file.Path(), request_.SourceFolder, request_.DestinationFolder));
            newFolder = folder != targetFolder_;
            targetFolder_ = std::move(folder);
            NewFolderRun(file);
        }
        const std::string& folder = targetFolder_;
        if (!runProblem_.empty())
            return ListUncurable(file.Path(), runProblem_);
        const int folderFd = destinations_.Open(folder);
        if (newFolder)
            cleaned_ = destinations_.Fresh() || request_.DryRun;
        if (folderFd < 0 && destinations_.Error() == ELOOP)
            return InLinkedFolder(file.Entry(), folder, newFolder);
        if (folderFd < 0 && destinations_.Error() == ENOTDIR)
            return ListUncurable(file.Path(), texts::FileInFoldersPlace);
        if (folderFd < 0 && NameRefused(destinations_.Error()))
            return ListUncurable(file.Path(), texts::NameNotStorable);
        // After a run that did not end, its temporary files may be anywhere it wrote.
        if (result_.PreviousRunUnfinished)
            CleanFolder(folderFd);
        if (traits_.stripsTrailingDots && EndsInDotOrBlank(file.Name()))
            return ListUncurable(file.Path(), texts::NameNotStorable);
        if (!twinLosers_.empty() && twinLosers_.contains(file.Name()))
            return ListUncurable(file.Path(), texts::CaseTwin);

        if (!file.TimesValid())
            return AskInvalidDate(file.Entry());
        bool destinationExists = false;
        bool knownUpToDate = false;
        bool upToDate = false;
        if (folderFd >= 0 && !destinations_.Fresh() && lookAhead_ != nullptr)
            knownUpToDate = lookAhead_->KnownUpToDate(index, folderFd);
        if (knownUpToDate) {
            destinationExists = true;
            upToDate = true;
        } else if (folderFd >= 0 && !destinations_.Fresh()) {
            struct stat st {};
            // Never through a link: a link in a file's place is replaced by the copy.
            if (fstatat(folderFd, file.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                destinationExists = true;
                // A folder (or a device, a pipe) is no copy of a file, and is never replaced by one.
                if (!S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode))
                    return ListUncurable(file.Path(), texts::NotAFileThere);
                if (!S_ISLNK(st.st_mode)) {
                    const int64_t destinationTime = StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
                    if (!IsValidFileTime(destinationTime))
                        return AskInvalidDate(file.Entry());
                    upToDate = IsCopyUpToDate(destinationTime, st.st_size, file.WriteTime(), file.Size(),
                                              resolution_);
                }
            }
        }
        const bool write = !upToDate;

        const double p = Percent(i, count);
        host_.SetMainBar(static_cast<int>(p));
        if (host_.ProgressDue())
            host_.UpdateProcessDialog(static_cast<int>(static_cast<int64_t>(i) * 100 / count),
                                      file.Path() + texts::Inspecting,
                                      FormatText(texts::InspectedFormat, p, texts::Percent, i, count));
        host_.ProcessPendingEvents();
        if (host_.AbortRequested())
            return Next::End;
        if (!write)
            return Next::Skip;
        const FileEntry entry = file.Entry();
        const std::string target =
            DestinationPathOf(entry.path, request_.SourceFolder, request_.DestinationFolder);
        return Write(entry, index, target, folderFd, destinationExists, p, count);
    }

    // A folder whose place in the destination holds a link: nothing is written through it.
    Next InLinkedFolder(const FileEntry& entry, const std::string& folder, bool newFolder) {
        if (newFolder)
            host_.ShowMessage(texts::LinkedFolder + folder);
        failed_.push_back(entry.path);
        ++result_.FilesFailed;
        return Next::File;
    }

    Next AskInvalidDate(const FileEntry& entry) {
        // The list keeps no creation time (it is only ever shown here): read it again.
        int64_t created = std::numeric_limits<int64_t>::min();
        struct statx sx {};
        const int folderFd = sources_.Open(FolderOf(entry.path));
        if (folderFd >= 0 && statx(folderFd, FileNameOf(entry.path).c_str(), AT_STATX_SYNC_AS_STAT,
                                   STATX_BTIME | STATX_CTIME, &sx) == 0) {
            const statx_timestamp& t = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
            created = StampOf(t.tv_sec, t.tv_nsec);
        }
        const std::string text = std::string(texts::SkipInvalidDate) + DateTextOf(created) +
                                 texts::LineBreak + texts::UpdatedOn + DateTextOf(entry.writeTime) +
                                 texts::LineBreak + texts::FileNameIs + entry.path;
        if (!host_.AskSkipInvalidDate(text))
            return Next::End;
        leftOut_ = true; // never looked at by a fast run again: the run is no complete one
        return Next::Skip;
    }

    Next Write(const FileEntry& entry, std::size_t index, const std::string& target, int folderFd,
               bool destinationExists, double p, int count) {
        const std::string& path = entry.path;
        const bool parked = IsParked(entry.size, request_.RecoveryThreshold);
        // A copy made ahead has read the source already, so it was there. Unless linked in, the copy is
        // closed and so gone.
        ScopedFd ahead(copyAhead_ != nullptr && !destinationExists && folderFd >= 0 ? copyAhead_->Take(index)
                                                                                    : -1);
        // A dry run decides from the scan and the destination alone: the source is not even opened.
        std::optional<OpenSource> source;
        try {
            if (!request_.DryRun && ahead.get() < 0 && !OpenOrTell(source, path))
                return Next::Skip;
        } catch (const FileError& e) {
            if (!KeepsGoing(e))
                throw;
            return ListFailure(e, path);
        }

        host_.SetStatusText(FormatText(texts::CopyingStatusFormat, path.c_str(), writtenCount_, count));
        if (host_.ProgressDue())
            ShowCopying(path, count);
        host_.ProcessPendingEvents();
        if (host_.AbortRequested())
            return Next::End;

        try {
            if (!request_.DryRun && !(ahead.get() >= 0 && LinkIn(ahead, folderFd, target))) {
                if (!source && !OpenOrTell(source, path))
                    return Next::Skip;
                if (!CopyWithParking(*source, entry, folderFd, target, destinationExists, parked))
                    return AfterAbortedCopy(entry, p, count);
                if (!GiveSourceTime(folderFd, FileNameOf(target), source->Stat()))
                    return ListUncurable(path, texts::TimeNotKept);
            }
        } catch (const FileError& e) {
            if (e.step() == FileError::Step::Create && NameRefused(e.error()))
                return ListUncurable(path, texts::NameNotStorable);
            if (e.step() == FileError::Step::Create && (e.error() == EISDIR || e.error() == ENOTEMPTY))
                return ListUncurable(path, texts::NotAFileThere);
            if (!KeepsGoing(e))
                throw;
            return ListFailure(e, path);
        }
        if (writeBack_)
            writeBack_->Wrote(entry.size);
        result_.BytesWritten += entry.size;
        ++writtenCount_;
        result_.FilesWritten = writtenCount_;
        updated_.push_back(path);
        ReportWritten(path, p, count);
        return Next::File;
    }

    // Temporary files of runs of this profile that did not end (the mark names their processes) go,
    // looked for once in each folder the run writes into or, after such a run, visits.
    void CleanFolder(int folderFd) {
        if (cleaned_ || folderFd < 0 || mark_.LeftBy().empty())
            return;
        cleaned_ = true;
        RemoveStaleTemporaryFiles(folderFd, mark_.LeftBy());
    }

    // A file that cannot be opened or created does not end a run asked to keep going; read and write
    // errors (a full disk) still do.
    bool KeepsGoing(const FileError& e) const {
        return request_.KeepGoing &&
               (e.step() == FileError::Step::Open || e.step() == FileError::Step::Create);
    }

    Next ListFailure(const FileError& e, const std::string& path) {
        host_.ShowMessage(e.what());
        result_.FailureReasons.push_back({failed_.size(), e.Reason()});
        failed_.push_back(path);
        ++result_.FilesFailed;
        return Next::File;
    }

    // A file the destination cannot take, whatever a later run does: listed with why, and the run goes on.
    Next ListUncurable(const std::string& path, const std::string& reason) {
        result_.FailureReasons.push_back({failed_.size(), reason});
        failed_.push_back(path);
        ++result_.FilesFailed;
        return Next::File;
    }

    // What keeps a whole folder of the source out of the destination, worked out once per folder: a name
    // on its way the destination would quietly change, or another folder the destination takes for the
    // same one; and which files of the folder lose to a twin whose name differs only in letter case. Of
    // folders or names that fold alike, the smallest wins in every run, whatever order they come in.
    void NewFolderRun(const FileList::Cursor& file) {
        runProblem_.clear();
        twinLosers_.clear();
        if (!traits_.caseBlind && !traits_.stripsTrailingDots)
            return;
        const std::string below(BelowSource(file.Folder()));
        if (traits_.stripsTrailingDots) {
            for (std::size_t at = 0; at < below.size();) {
                const std::size_t end = std::min(below.find('/', at), below.size());
                if (EndsInDotOrBlank(std::string_view(below).substr(at, end - at)))
                    runProblem_ = texts::NameNotStorable;
                at = end + 1;
            }
        }
        if (!traits_.caseBlind || !runProblem_.empty())
            return;
        if (twinFolders_.empty()) {
            for (std::size_t run = 0; run < files_->FolderRunCount(); ++run) {
                std::string other(BelowSource(files_->Folder(files_->FirstOfRun(run))));
                auto [it, added] = twinFolders_.emplace(FoldedName(other), other);
                if (!added && other < it->second)
                    it->second = std::move(other);
            }
        }
        if (twinFolders_[FoldedName(below)] != below) {
            runProblem_ = texts::FolderCaseTwin;
            return;
        }
        std::vector<std::pair<std::string, std::string>> names; // folded, as it is
        const std::size_t end =
            file.Run() + 1 < files_->FolderRunCount() ? files_->FirstOfRun(file.Run() + 1) : files_->size();
        for (FileList::Cursor f(*files_, file.Index()); !f.AtEnd() && f.Index() < end; f.Next())
            names.emplace_back(FoldedName(f.Name()), f.Name());
        std::sort(names.begin(), names.end());
        for (std::size_t i = 1; i < names.size(); ++i) {
            if (names[i].first == names[i - 1].first)
                twinLosers_.insert(names[i].second);
        }
    }

    // The part of a source folder's path below the source folder.
    std::string_view BelowSource(std::string_view folder) const {
        return folder.size() > request_.SourceFolder.size() ? folder.substr(request_.SourceFolder.size())
                                                            : std::string_view();
    }

    // For a destination that drops a time set on the open file when it closes.
    static void SetTimeByName(int folderFd, const std::string& name, const struct stat& source) {
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        utimensat(folderFd, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }

    // Sees that the copy just written as `name` carries the source's time as the destination keeps it,
    // since the next run decides by that time: set by name after close where the trial of the drive
    // found that necessary, and once more by name where the copy shows otherwise (the trial missed it,
    // and every later copy is given its time so). False when the time does not take even so.
    bool GiveSourceTime(int folderFd, const std::string& name, const struct stat& source) {
        if (resolution_ == 0)
            return true; // a drive that keeps no times: the run has said so
        if (traits_.timesAfterClose)
            SetTimeByName(folderFd, name, source);
        const int64_t set = StampOf(source.st_mtim.tv_sec, source.st_mtim.tv_nsec);
        const auto took = [&] {
            struct stat st {};
            return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                   TimeKept(StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec), set, resolution_);
        };
        if (took())
            return true;
        SetTimeByName(folderFd, name, source);
        if (!took())
            return false;
        traits_.timesAfterClose = true;
        return true;
    }

    // Writes the file in hand, keeping its previous version when it is protected. False when the user
    // aborted; the previous version is then back in place, as it is when an error leaves.
    bool CopyWithParking(const OpenSource& source, const FileEntry& entry, int folderFd,
                         const std::string& target, bool destinationExists, bool protect) {
        if (folderFd < 0)
            throw FileError(FileError::Step::Create, target, destinations_.Error());
        touched_ = true;
        CleanFolder(folderFd);
        // The copy replaced keeps a name in the history; where that moved it (no hard links), it is also
        // the previous version protection would keep.
        const HistoryKeeper::Kept kept = history_ != nullptr && destinationExists
                                             ? history_->Keep(folderFd, target)
                                             : HistoryKeeper::Kept::None;
        if (kept != HistoryKeeper::Kept::None)
            ++result_.VersionsKept;
        const bool keptAside = kept == HistoryKeeper::Kept::Renamed;
        ParkedVersion parked;
        if (protect && !keptAside) {
            ParkingChecks checks;
            // The destination's file of the parked name is the copy of the source's file of that name.
            const int sourceFolderFd = sources_.Open(FolderOf(entry.path));
            struct stat st {};
            checks.parkedNameTaken =
                sourceFolderFd < 0 || fstatat(sourceFolderFd, FileNameOf(ParkedNameOf(entry.path)).c_str(),
                                              &st, AT_SYMLINK_NOFOLLOW) == 0;
            checks.beforeRename = [&] { return mark_.NoteParked(target, ParkedNameOf(target)); };
            try {
                parked = ParkPreviousVersion(folderFd, target, checks);
            } catch (const AppError&) {
                if (kept != HistoryKeeper::Kept::None)
                    history_->Undo(folderFd, target, kept);
                throw;
            }
        }
        // A renamed-aside target is missing until the copy is in place; a linked one is replaced whole.
        const bool targetMissing = parked.how == Parking::Renamed || keptAside ||
                                   (!destinationExists && parked.how == Parking::None);
        renamedAside_ = parked.how == Parking::Renamed || keptAside;
        const auto putBack = [&] {
            PutBackPreviousVersion(folderFd, target, parked);
            if (kept != HistoryKeeper::Kept::None) {
                history_->Undo(folderFd, target, kept);
                --result_.VersionsKept;
            }
        };
        bool copied = false;
        try {
            copied = CopyOwn(source, entry, folderFd, target, targetMissing);
        } catch (const AppError&) {
            putBack();
            renamedAside_ = false;
            throw;
        }
        if (!copied)
            putBack();
        renamedAside_ = false;
        return copied;
    }

    // Opens the source of the file in hand; false after telling that it is gone.
    bool OpenOrTell(std::optional<OpenSource>& source, const std::string& path) {
        const int folderFd = sources_.Open(FolderOf(path));
        source.emplace(folderFd, path);
        if (source->fd() >= 0)
            return true;
        if (folderFd >= 0 && !source->Gone())
            throw FileError(FileError::Step::Open, path, source->Error());
        if (folderFd < 0 && sources_.Error() != ENOENT && sources_.Error() != ENOTDIR)
            throw FileError(FileError::Step::Open, path, sources_.Error());
        host_.ShowMessage(texts::FilePrefix + path + texts::DoesNotExist);
        return false;
    }

    // Links the copy made ahead in as `target`. False when it cannot be linked into that folder (another
    // file system mounted there), so the file is copied as usual.
    bool LinkIn(ScopedFd& ahead, int folderFd, const std::string& target) {
        touched_ = true;
        CleanFolder(folderFd);
        TempTarget temp;
        temp.AdoptUnnamed(ahead.release(), folderFd);
        if (temp.CommitAs(FileNameOf(target)))
            return true;
        if (errno == EXDEV)
            return false;
        throw FileError(FileError::Step::Create, target, errno);
    }

    bool CopyOwn(const OpenSource& source, const FileEntry& entry, int folderFd, const std::string& target,
                 bool targetMissing) {
        const auto copy = [&] {
            return CopyOpenFile(source.fd(), source.Stat(), entry.path, folderFd, target, targetMissing,
                                entry.size, host_, traits_.timesAfterClose);
        };
        try {
            return copy();
        } catch (const AppError&) {
            // Copies held ahead take room on the destination: give it back and try once more.
            if (copyAhead_ == nullptr || !copyAhead_->Release() || lseek(source.fd(), 0, SEEK_SET) != 0)
                throw;
        }
        return copy();
    }

    Next AfterAbortedCopy(const FileEntry& entry, double p, int count) {
        failed_.push_back(entry.path);
        ++result_.FilesFailed;
        const std::string text =
            std::string(texts::ContinueQuestion) + entry.path + texts::LineBreak + texts::NotSavedNote;
        switch (host_.AskContinue(text)) {
        case ContinueAnswer::Yes:
            ReportWritten(entry.path, p, count);
            return Next::File;
        case ContinueAnswer::Cancel:
            return Next::File;
        case ContinueAnswer::NoToAll:
            break;
        }
        return Next::End;
    }

    void ShowCopying(const std::string& path, int count) {
        if (result_.BytesWritten > 0 && result_.BytesTotal > 0)
            host_.UpdateProcessDialog(
                static_cast<int>(static_cast<int64_t>(writtenCount_) * 100 / count), path + texts::Copying,
                FormatText(texts::CopiedCountFormat, Percent(result_.BytesWritten, result_.BytesTotal),
                           texts::Percent, writtenCount_, count));
        else
            host_.UpdateProcessDialog(1, path + texts::Copying, "");
    }

    void ReportWritten(const std::string& path, double p, int count) {
        if (result_.BytesWritten <= 0 || result_.BytesTotal <= 0)
            return;
        double q = Percent(result_.BytesWritten, result_.BytesTotal);
        if (p > q)
            q = p;
        host_.SetStatusText(
            FormatText(texts::CopiedStatusFormat, path.c_str(), q, texts::Percent, writtenCount_, count));
        if (host_.ProgressDue())
            host_.UpdateProcessDialog(
                static_cast<int>(q), path + texts::Copied,
                FormatText(texts::CopiedCountFormat, q, texts::Percent, writtenCount_, count));
    }

    const BackupRequest& request_;
    PathList& updated_;
    PathList& failed_;
    RunHost& host_;
    BackupResult& result_;
    UnfinishedRunMark& mark_;
    const FileList* files_ = nullptr;
    DestinationTraits traits_;
    std::string runProblem_; // why no file of the folder run in hand can be copied; empty when none
    std::unordered_set<std::string> twinLosers_;
    std::unordered_map<std::string, std::string> twinFolders_; // folded path below the source -> winner
    FolderCache sources_;
    FolderCache destinations_;
    DestinationLookAhead* lookAhead_ = nullptr;
    CopyAhead* copyAhead_ = nullptr;
    int64_t resolution_ = 1;
    int writtenCount_ = 0;
    std::optional<WriteBack> writeBack_;
    std::size_t targetRun_ = SIZE_MAX; // the folder run whose destination folder is targetFolder_
    std::string targetFolder_;
    bool cleaned_ = false; // stale temporary files looked for in it
    std::function<void()> beforeWriting_;
    bool touched_ = false; // something was written into the destination
    bool leftOut_ = false;
    bool renamedAside_ = false; // the file in hand's previous version is under its parked name
    HistoryKeeper* history_ = nullptr;
};

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A source that is missing (a disk not mounted), not a folder or unreadable must not pass for one
// with nothing to update.
void CheckSource(const std::string& folder) {
    ScopedFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const bool readable = fd.get() >= 0 && faccessat(fd.get(), ".", R_OK | X_OK, AT_EACCESS) == 0;
    fd.reset();
    if (!readable)
        throw AppError(texts::SourceMissing + folder);
}

} // namespace

PathList WithReasons(const PathList& failed, const std::vector<FailureReason>& reasons, const char* open,
                     const char* close) {
    PathList lines;
    auto reason = reasons.begin();
    std::size_t i = 0;
    for (const std::string& path : failed) {
        if (reason != reasons.end() && reason->index == i++)
            lines.push_back(path + open + (reason++)->text + close);
        else
            lines.push_back(path);
    }
    return lines;
}

int RunBackup(const BackupRequest& request, PathList& UpdatedFiles, PathList& FailedFiles, RunHost& host,
              BackupResult* result) {
    BackupResult local;
    BackupResult& figures = result != nullptr ? *result : local;
    figures = BackupResult();
    host.ClearAbortRequest();
    if (request.SourceFolder.empty() || request.DestinationFolder.empty())
        return 0;
    CheckSource(request.SourceFolder);
    // A backup drive that is not mounted must not be replaced by a folder on the system disk.
    if (!IsFolder(request.DestinationFolder)) {
        host.ShowMessage(texts::DestinationMissing + request.DestinationFolder);
        figures.DestinationMissing = true;
        return 0;
    }
    const ScopedFd root(open(request.DestinationFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const bool sameDestination = StampHolds(root.get(), request.LastRunToken);
    const DriveCheck drive = CheckDestinationDrive(request.DestinationFolder, request.LastRunMount,
                                                   sameDestination, request.Mounts);
    figures.DestinationMount = drive.mount;
    if (!drive.refusal.empty()) {
        host.ShowMessage(drive.refusal);
        figures.DestinationMissing = true;
        return 0;
    }
    std::optional<DestinationLock> lock;
    if (!request.DryRun)
        lock.emplace(request.DestinationFolder);

    BackupRequest effective = request;
    UnfinishedRunMark mark(request.RunMarkFolder, request.ProfileName);
    if (mark.WasLeft()) {
        // Copies of the run that did not end may not have reached the disk, whatever their times say.
        figures.PreviousRunUnfinished = true;
        if (effective.DateLimit != 0) {
            effective.DateLimit = 0;
            host.SetStatusText(texts::UnfinishedRun);
        }
        if (!request.DryRun) {
            // Under the lock: what that run renamed aside and did not put back, and its temporary files.
            PutBackRecorded(request.DestinationFolder, mark.LeftParked());
            RemoveStaleTemporaryFiles(root.get(), mark.LeftBy());
        }
    }
    // Changes made since the last complete run need not be on this drive: compare every file.
    if (!sameDestination && effective.DateLimit != 0) {
        effective.DateLimit = 0;
        figures.OtherDestination = true;
        host.SetStatusText(texts::OtherDestination);
    }

    BackupRun run(effective, UpdatedFiles, FailedFiles, host, figures, mark);
    std::optional<HistoryKeeper> history;
    if (request.KeepHistory && !request.DryRun) {
        history.emplace(root.get(), request.DestinationFolder,
                        request.StartTime != 0 ? request.StartTime : std::time(nullptr), mark);
        run.KeepHistory(&*history);
    }
    // Marked just before the first write (its flush to disk never holds up the scan); cleared once the
    // writes are on disk, except that the mark of a run that did not end stays until a run has compared
    // every file, which an abort or an error prevents.
    if (!request.DryRun)
        run.BeforeWriting([&] { mark.Set(); });
    int written = 0;
    try {
        written = run.Run();
    } catch (...) {
        if (!request.DryRun && !mark.WasLeft() && !run.RenamedAsideLeft() && run.Flush() == 0)
            mark.Clear();
        throw;
    }
    if (history) {
        host.SetStatusText(texts::PruningHistory);
        const PruneResult pruned =
            PruneHistory(root.get(), request.History, std::time(nullptr), &host.AbortFlag());
        figures.VersionsPruned = pruned.removed;
        if (pruned.removed > 0)
            run.Touched();
    }
    // A complete run says so in the destination, flushed with what it wrote. A new token when anything
    // changed there, so that an older copy of the drive no longer passes for it.
    std::string token;
    if (!request.DryRun && !figures.Stopped && figures.FilesFailed == 0 && !run.LeftFilesOut()) {
        token = written == 0 && sameDestination ? request.LastRunToken
                                                : RenewStamp(root.get(), request.LastRunToken);
        if (token != request.LastRunToken)
            run.Touched();
    }
    if (const int error = run.Flush(); error != 0)
        throw AppError(texts::CannotFlush + request.DestinationFolder + " (" + SystemErrorText(error) + ")");
    figures.RunToken = token;
    if (!request.DryRun && (!figures.Stopped || !mark.WasLeft()))
        mark.Clear();
    return written;
}

} // namespace hozonix::engine
