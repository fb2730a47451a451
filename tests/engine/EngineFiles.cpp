#include "EngineFiles.h"

#include "engine/DestinationStamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hozonix::test {

void MakeFile(const std::string& path, int64_t size, char seed) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    std::string block(65536, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(seed + i % 23);
    const int64_t dense = std::min<int64_t>(size, 64 << 20);
    for (int64_t done = 0; done < dense;) {
        const auto n =
            static_cast<std::size_t>(std::min<int64_t>(dense - done, static_cast<int64_t>(block.size())));
        ASSERT_EQ(write(fd, block.data(), n), static_cast<ssize_t>(n));
        done += static_cast<int64_t>(n);
    }
    if (size > dense) {
        ASSERT_EQ(ftruncate(fd, size), 0);
    }
    close(fd);
}

void SetWriteTime(const std::string& path, int64_t nanoseconds) {
    const struct timespec times[2] = {
        {0, UTIME_OMIT}, {static_cast<time_t>(nanoseconds / 1'000'000'000), nanoseconds % 1'000'000'000}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

void SetWriteTimeSeconds(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

int64_t WriteTimeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

int64_t SizeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_size;
}

std::string ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            // Every run that writes leaves the program's own folder with the stamp; the tests of it look for
            // it by name.
            if (n != "." && n != ".." && n != engine::OwnFolderName)
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : " ") + n;
    return out;
}

} // namespace hozonix::test
