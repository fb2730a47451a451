#pragma once
// A small file that says a run of a profile is under way. A run that ends in any normal way (done,
// aborted, ended by an error) removes it; one that was killed or lost its power leaves it, and the next
// run of that profile then compares every file, since copies it had made may not have reached the disk.
// The desktop program and the runner keep their marks in the same folder, so each sees the other's.
//
// The mark also records what only that run could tell apart from the user's own files: the processes
// that wrote (their temporary files carry the process number) and each previous version renamed aside
// while its new version was written. The next run removes only those temporary files and puts back only
// those previous versions.

#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::engine {

struct ParkedRecord {
    std::string target; // full paths
    std::string parked;
};

class UnfinishedRunMark {
public:
    // `folder`: where marks are kept (created when missing); empty for none. Profile names match without
    // regard to ASCII letter case, as they do in the settings file. `kind`: the subfolder of `folder`
    // that holds this kind of mark (runs, restores).
    UnfinishedRunMark(const std::string& folder, const std::string& profile, const char* kind = "RUNNING");

    // True when the profile's last run did not end.
    bool WasLeft() const { return wasLeft_; }
    // The processes of runs that did not end and whose temporary files may be left.
    const std::vector<pid_t>& LeftBy() const { return leftBy_; }
    // Previous versions such runs renamed aside, perhaps never put back.
    const std::vector<ParkedRecord>& LeftParked() const { return leftParked_; }
    // Folders where such runs may have left named temporary files.
    const std::vector<std::string>& LeftFolders() const { return leftFolders_; }

    // Marks the run as under way, on disk before it returns: this process, beside those of runs that did
    // not end. False when the mark cannot be written.
    bool Set();
    // Records, on disk before it returns, that `target` is about to be renamed to `parked`. False when
    // that cannot be recorded (true, recording nothing, where no marks are kept).
    bool NoteParked(const std::string& target, const std::string& parked);
    // Records, on disk before it returns, that named temporary files may be made in `folder`.
    bool NoteFolder(const std::string& folder);
    void Clear();

    // The mark's file name for a profile.
    static std::string FileNameFor(const std::string& profile);

private:
    std::string folder_;
    std::string path_;
    std::string profile_;
    bool wasLeft_ = false;
    std::vector<pid_t> leftBy_;
    std::vector<ParkedRecord> leftParked_;
    std::vector<std::string> leftFolders_;
};

} // namespace hozonix::engine
