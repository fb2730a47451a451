#include "RunBackup.h"

#include "AppError.h"
#include "CopyAhead.h"
#include "CopyFile.h"
#include "DestinationLookAhead.h"
#include "EngineTexts.h"
#include "Exclusions.h"
#include "FileEntry.h"
#include "FileTimes.h"
#include "FolderCache.h"
#include "FormatText.h"
#include "PathText.h"
#include "Recovery.h"
#include "ScanFolder.h"
#include "ScopedFd.h"
#include "TempTarget.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

// Hides the dialog and resets the cursor on every way out of a run, errors included.
class RunEnd {
public:
    explicit RunEnd(RunHost& host) : host_(host) {}
    ~RunEnd() {
        host_.SetBusyCursor(false);
        host_.HideProcessDialog();
    }
    RunEnd(const RunEnd&) = delete;
    RunEnd& operator=(const RunEnd&) = delete;

private:
    RunHost& host_;
};

class OpenSource {
public:
    OpenSource(int folderFd, const std::string& path) {
        // Non-blocking, so that a FIFO put in a file's place can never hang the run.
        const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
        fd_ = folderFd >= 0 ? openat(folderFd, FileNameOf(path).c_str(), flags) : open(path.c_str(), flags);
        error_ = fd_ < 0 ? errno : 0;
        if (fd_ >= 0 && (fstat(fd_, &st_) != 0 || !S_ISREG(st_.st_mode))) {
            close(fd_);
            fd_ = -1;
            error_ = ENOENT; // no longer a file
        }
    }
    ~OpenSource() {
        if (fd_ >= 0)
            close(fd_);
    }
    OpenSource(const OpenSource&) = delete;
    OpenSource& operator=(const OpenSource&) = delete;

    int fd() const { return fd_; }
    const struct stat& Stat() const { return st_; }
    bool Gone() const { return error_ == ENOENT || error_ == ENOTDIR; }

private:
    int fd_ = -1;
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

class BackupRun {
public:
    BackupRun(const BackupRequest& request, std::vector<std::string>& updated,
              std::vector<std::string>& failed, RunHost& host, BackupResult& result)
        : request_(request), updated_(updated), failed_(failed), host_(host), result_(result),
          sources_(request.SourceFolder, false), destinations_(request.DestinationFolder, !request.DryRun) {}

    int Run() {
        host_.SetBusyCursor(true);
        RunEnd end(host_);
        const ExclusionRules rules(request_.ExcludedExtensions, request_.ExcludedFolders);
        FileList files;
        ScanFolder(request_.SourceFolder, files, true, request_.DateLimit);
        result_.FilesFound = static_cast<int>(files.size());
        if (files.empty()) {
            host_.SetStatusText(texts::NoFilesToUpdate);
            return 0;
        }
        Inspect(files, rules);
        if (!files.empty()) {
            resolution_ = TimeResolutionOf(request_.DestinationFolder);
            DestinationLookAhead lookAhead(files, request_.SourceFolder, request_.DestinationFolder,
                                           resolution_);
            lookAhead_ = &lookAhead;
            std::optional<CopyAhead> copyAhead;
            if (!request_.DryRun) {
                copyAhead.emplace(files, request_.SourceFolder, request_.DestinationFolder,
                                  request_.RecoveryThreshold);
                copyAhead_ = &*copyAhead;
            }
            Update(files);
            copyAhead_ = nullptr;
            lookAhead_ = nullptr;
        }
        return writtenCount_;
    }

private:
    // Visits the entries from the last to the first, dropping the excluded ones.
    void Inspect(FileList& files, const ExclusionRules& rules) {
        const int total = static_cast<int>(files.size());
        host_.ShowProcessDialog("");
        host_.UpdateProcessDialog(1, texts::ComparingTimes, "");
        host_.SetStatusText(std::to_string(total) + texts::InspectingFiles);
        std::vector<bool> keep(files.size(), true);
        int n = 0;
        for (std::size_t index = files.size(); index-- > 0;) {
            ++n;
            host_.ProcessPendingEvents();
            if (AbortRequested) {
                files.clear();
                result_.Stopped = true;
                return;
            }
            const std::string& path = files[index].path;
            const double p = Percent(n, total);
            host_.SetMainBar(static_cast<int>(p));
            host_.UpdateProcessDialog(static_cast<int>(p), path + texts::Inspecting,
                                      FormatText(texts::InspectedFormat, p, texts::Percent, n, total));
            if (rules.Excludes(path)) {
                keep[index] = false;
                ++result_.FilesExcluded;
            } else {
                result_.BytesTotal += files[index].size;
            }
        }
        std::size_t out = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!keep[i])
                continue;
            if (out != i)
                files[out] = std::move(files[i]);
            ++out;
        }
        files.resize(out);
    }

    void Update(FileList& files) {
        const int count = static_cast<int>(files.size());
        host_.SetStatusText(std::to_string(count) + texts::UpdatingFiles);
        for (int i = 1; i <= count; ++i) {
            switch (UpdateOne(files[static_cast<std::size_t>(i - 1)], i, count)) {
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

    Next UpdateOne(const FileEntry& entry, int i, int count) {
        const std::string& path = entry.path;
        const auto index = static_cast<std::size_t>(i - 1);
        if (lookAhead_ != nullptr)
            lookAhead_->Reached(index);
        if (copyAhead_ != nullptr)
            copyAhead_->Reached(index);
        const std::string target = DestinationPathOf(path, request_.SourceFolder, request_.DestinationFolder);
        const std::string folder = FolderOf(target);
        const int folderFd = destinations_.Open(folder);

        if (!IsValidFileTime(entry.creationTime) || !IsValidFileTime(entry.writeTime) ||
            !IsValidFileTime(entry.accessTime))
            return AskInvalidDate(entry);
        int64_t destinationTime = 0;
        bool destinationExists = false;
        bool knownUpToDate = false;
        if (folderFd >= 0 && !destinations_.Fresh() && lookAhead_ != nullptr)
            knownUpToDate = lookAhead_->KnownUpToDate(index, folderFd);
        if (knownUpToDate) {
            destinationExists = true;
        } else if (folderFd >= 0 && !destinations_.Fresh()) {
            struct stat st {};
            if (fstatat(folderFd, FileNameOf(target).c_str(), &st, 0) == 0) {
                destinationExists = true;
                destinationTime = StampOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
                if (!IsValidFileTime(destinationTime))
                    return AskInvalidDate(entry);
            }
        }
        const bool write = !knownUpToDate &&
                           (!destinationExists || !IsUpToDate(destinationTime, entry.writeTime, resolution_));

        const double p = Percent(i, count);
        host_.SetMainBar(static_cast<int>(p));
        host_.UpdateProcessDialog(static_cast<int>(static_cast<int64_t>(i) * 100 / count),
                                  path + texts::Inspecting,
                                  FormatText(texts::InspectedFormat, p, texts::Percent, i, count));
        host_.ProcessPendingEvents();
        if (AbortRequested)
            return Next::End;
        if (!write)
            return Next::Skip;
        return Write(entry, index, target, folderFd, destinationExists, p, count);
    }

    Next AskInvalidDate(const FileEntry& entry) {
        const std::string text = std::string(texts::SkipInvalidDate) + DateTextOf(entry.creationTime) +
                                 texts::LineBreak + texts::UpdatedOn + DateTextOf(entry.writeTime) +
                                 texts::LineBreak + texts::FileNameIs + entry.path;
        return host_.AskSkipInvalidDate(text) ? Next::Skip : Next::End;
    }

    Next Write(const FileEntry& entry, std::size_t index, const std::string& target, int folderFd,
               bool destinationExists, double p, int count) {
        const std::string& path = entry.path;
        const bool parked = IsParked(entry.size, request_.RecoveryThreshold);
        // A copy made ahead has read the source already, so it was there. Unless linked in, the copy is
        // closed and so gone.
        ScopedFd ahead(copyAhead_ != nullptr && !destinationExists && folderFd >= 0 ? copyAhead_->Take(index)
                                                                                    : -1);
        std::optional<OpenSource> source;
        if (ahead.get() < 0 && !OpenOrTell(source, path))
            return Next::Skip;

        host_.SetStatusText(FormatText(texts::CopyingStatusFormat, path.c_str(), writtenCount_, count));
        if (result_.BytesWritten > 0 && result_.BytesTotal > 0) {
            host_.UpdateProcessDialog(
                static_cast<int>(static_cast<int64_t>(writtenCount_) * 100 / count), path + texts::Copying,
                FormatText(texts::CopiedCountFormat, Percent(result_.BytesWritten, result_.BytesTotal),
                           texts::Percent, writtenCount_, count));
        } else {
            host_.UpdateProcessDialog(1, path + texts::Copying, "");
        }
        host_.ProcessPendingEvents();
        if (AbortRequested)
            return Next::End;

        bool copied = true;
        if (!request_.DryRun && !(ahead.get() >= 0 && LinkIn(ahead, folderFd, target))) {
            if (!source && !OpenOrTell(source, path))
                return Next::Skip;
            if (parked)
                ParkPreviousVersion(target);
            try {
                copied = CopyOwn(*source, entry, folderFd, target, parked || !destinationExists);
            } catch (const AppError&) {
                if (parked)
                    PutBackPreviousVersion(target);
                throw;
            }
            if (!copied) {
                if (parked)
                    PutBackPreviousVersion(target);
                return AfterAbortedCopy(entry, p, count);
            }
        }
        result_.BytesWritten += entry.size;
        ++writtenCount_;
        result_.FilesWritten = writtenCount_;
        updated_.push_back(path);
        ReportWritten(path, p, count);
        return Next::File;
    }

    // Opens the source of the file in hand; false after telling that it is gone.
    bool OpenOrTell(std::optional<OpenSource>& source, const std::string& path) {
        source.emplace(sources_.Open(FolderOf(path)), path);
        if (source->fd() >= 0)
            return true;
        if (!source->Gone())
            throw AppError(FormatText(texts::CannotOpenFile, path.c_str()));
        host_.ShowMessage(texts::FilePrefix + path + texts::DoesNotExist);
        return false;
    }

    // Links the copy made ahead in as `target`. False when it cannot be linked into that folder (another
    // file system mounted there), so the file is copied as usual.
    bool LinkIn(ScopedFd& ahead, int folderFd, const std::string& target) {
        TempTarget temp;
        temp.AdoptUnnamed(ahead.release(), folderFd);
        if (temp.CommitAs(FileNameOf(target)))
            return true;
        if (errno == EXDEV)
            return false;
        throw AppError(FormatText(texts::CannotCreateFile, target.c_str()));
    }

    bool CopyOwn(const OpenSource& source, const FileEntry& entry, int folderFd, const std::string& target,
                 bool targetMissing) {
        if (folderFd < 0)
            throw AppError(FormatText(texts::CannotCreateFile, target.c_str()));
        const auto copy = [&] {
            return CopyOpenFile(source.fd(), source.Stat(), entry.path, folderFd, target, targetMissing,
                                entry.size, host_);
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

    void ReportWritten(const std::string& path, double p, int count) {
        if (result_.BytesWritten <= 0 || result_.BytesTotal <= 0)
            return;
        double q = Percent(result_.BytesWritten, result_.BytesTotal);
        if (p > q)
            q = p;
        host_.SetStatusText(
            FormatText(texts::CopiedStatusFormat, path.c_str(), q, texts::Percent, writtenCount_, count));
        host_.UpdateProcessDialog(
            static_cast<int>(q), path + texts::Copied,
            FormatText(texts::CopiedCountFormat, q, texts::Percent, writtenCount_, count));
    }

    const BackupRequest& request_;
    std::vector<std::string>& updated_;
    std::vector<std::string>& failed_;
    RunHost& host_;
    BackupResult& result_;
    FolderCache sources_;
    FolderCache destinations_;
    DestinationLookAhead* lookAhead_ = nullptr;
    CopyAhead* copyAhead_ = nullptr;
    int64_t resolution_ = 1;
    int writtenCount_ = 0;
};

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int RunBackup(const BackupRequest& request, std::vector<std::string>& UpdatedFiles,
              std::vector<std::string>& FailedFiles, RunHost& host, BackupResult* result) {
    BackupResult local;
    BackupResult& figures = result != nullptr ? *result : local;
    figures = BackupResult();
    AbortRequested = false;
    if (request.SourceFolder.empty() || request.DestinationFolder.empty())
        return 0;
    // A backup drive that is not mounted must not be replaced by a folder on the system disk.
    if (!IsFolder(request.DestinationFolder)) {
        host.ShowMessage(texts::DestinationMissing + request.DestinationFolder);
        return 0;
    }
    return BackupRun(request, UpdatedFiles, FailedFiles, host, figures).Run();
}

} // namespace hozonix::engine
