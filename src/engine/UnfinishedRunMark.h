#pragma once
// A small file that says a run of a profile is under way. A run that ends in any normal way (done,
// aborted, ended by an error) removes it; one that was killed or lost its power leaves it, and the next
// run of that profile then compares every file, since copies it had made may not have reached the disk.
// The desktop program and the runner keep their marks in the same folder, so each sees the other's.

#include <string>

namespace hozonix::engine {

class UnfinishedRunMark {
public:
    // `folder`: where marks are kept (created when missing); empty for none. Profile names match without
    // regard to ASCII letter case, as they do in the settings file.
    UnfinishedRunMark(const std::string& folder, const std::string& profile);

    // True when the profile's last run did not end.
    bool WasLeft() const { return wasLeft_; }
    // Marks the run as under way, on disk before it returns. False when the mark cannot be written.
    bool Set();
    void Clear();

    // The mark's file name for a profile.
    static std::string FileNameFor(const std::string& profile);

private:
    std::string folder_;
    std::string path_;
    std::string profile_;
    bool wasLeft_ = false;
};

} // namespace hozonix::engine
