#pragma once
// Checking a backup against its source: every file a careful run would look at is read on both sides and
// compared byte for byte, so that a copy that went bad on the drive (same size and time, other bytes)
// is found as surely as one that is missing or out of date. The copy is read from the drive itself,
// past the page cache. Nothing in the destination is changed; the
// destination's lock is taken all the same, so that no run writes there while its files are read.

#include "engine/DestinationDrive.h"
#include "engine/PathList.h"
#include "engine/RunBackup.h"
#include "engine/RunHost.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace hozonix::engine {

namespace texts {
inline constexpr char VerifyingFiles[] = "のファイルを照合中です･･････････";
inline constexpr char Verifying[] = "を照合中･････ ";
inline constexpr char VerifiedFormat[] = "照合済  %3.1f%s [照合済 %d / %d]";
// Why a copy does not match its source.
inline constexpr char ContentDiffers[] = "内容が異なります（サイズと更新日時は同じです）";
inline constexpr char ContentAndTimeDiffer[] = "内容と更新日時が異なります";
inline constexpr char SizeDiffers[] = "サイズが異なります";
inline constexpr char ChangedSinceBackup[] = "バックアップ後に変更されています";
inline constexpr char CopyMissing[] = "コピーがありません";
inline constexpr char CopyUnreadable[] = "コピーを読めません";
inline constexpr char SourceUnreadable[] = "元のファイルを読めません";
inline constexpr char SourceFolderUnreadable[] = "元のフォルダを読めません";
inline constexpr char CopyFolderIsLink[] = "コピー先のフォルダがシンボリックリンクです";
} // namespace texts

struct VerifyRequest {
    std::string SourceFolder;      // used exactly as given
    std::string DestinationFolder; // must exist
    std::string ExcludedExtensions;
    std::string ExcludedFolders;
    // What the last complete run into these folders left (engine/DestinationDrive.h): a drive that is not
    // mounted, whose empty mount point would read as every copy missing, is refused as a run refuses it.
    std::string LastRunToken;
    std::string LastRunMount;
    MountTables Mounts;
    // Threads that read files ahead of the one that reports; 0: the calling thread reads them itself.
    // Four requests in flight keep a disk busy when the cache is cold (two left it idle half the time).
    static constexpr int DefaultReaders = 4;
    int Readers = DefaultReaders;
    // As for a run (BackupRequest): a short scan runs through untouched, a long one lets the host handle
    // its events and past the second tells it that the scan takes long.
    std::chrono::milliseconds ScanQuietFor{100};
    std::chrono::milliseconds ScanLongAfter{500};
};

struct VerifyResult {
    int FilesFound = 0;    // collected by the scan
    int FilesExcluded = 0; // removed by the exclusion rules
    int FilesChecked = 0;  // compared with their copy, matching or not
    int64_t BytesCompared = 0;
    int64_t BytesTotal = 0; // sizes of the source files kept after exclusion
    bool Stopped = false;   // ended by an abort before every file was checked
    // Source paths whose copy does not match (a source folder that could not be read with a trailing
    // "/"), in the scan's order, each with its reason (Reasons[k].index == k).
    PathList Differences;
    std::vector<FailureReason> Reasons;
    // What the user should hear once the check is over (links the scan did not enter).
    std::vector<std::string> Notices;
};

// Scans the source as a careful run does (the same exclusions, hidden names skipped, a destination inside
// the source left out) and compares each file with its copy at the place a run writes it, never through a
// symbolic link below the destination folder. Progress and abort go through `host`; `result` is filled as
// the check goes. Raises AppError when the source or the destination folder is missing or unreadable or
// the destination's drive is not mounted, and DestinationBusyError when a run holds the destination.
void VerifyBackup(const VerifyRequest& request, RunHost& host, VerifyResult& result);

} // namespace hozonix::engine
