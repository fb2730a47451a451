#pragma once
// A private temporary folder for one test, removed with everything in it when the test ends.

#include <string>

namespace hozonix::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Small file helpers for tests; they fail the test on error.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
// The files this process holds open right in `folder`, unnamed and removed ones included.
int OpenFilesIn(const std::string& folder);

} // namespace hozonix::test
