#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace hozonix::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/hozonix-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    // Tests make folders read-only to provoke errors: open them up again before removing.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            chmod(it->path().c_str(), 0700);
    }
    chmod(path_.c_str(), 0700);
    fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

int OpenFilesIn(const std::string& folder) {
    const std::string inside = fs::weakly_canonical(folder).string() + "/";
    int count = 0;
    std::error_code ec;
    for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd", ec)) {
        // An unnamed or removed file reads as "<folder>/#1234 (deleted)".
        std::error_code gone;
        const std::string target = fs::read_symlink(fd.path(), gone).string();
        if (!gone && target.starts_with(inside) && target.find('/', inside.size()) == std::string::npos)
            ++count;
    }
    return count;
}

} // namespace hozonix::test
