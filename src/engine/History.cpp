#include "engine/History.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"
#include "engine/PathText.h"
#include "engine/Recovery.h"
#include "engine/UnfinishedRunMark.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

constexpr std::size_t NameLength = 17; // "2026-12-09_211605"

// The "_N" of a later run in the same second; 1 for none, 0 for a name that is not one of ours.
int SuffixOf(std::string_view name) {
    if (name.size() == NameLength)
        return 1;
    if (name.size() < NameLength + 2 || name.size() > NameLength + 5 || name[NameLength] != '_')
        return 0;
    int n = 0;
    for (const char c : name.substr(NameLength + 1)) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 2 ? n : 0;
}

} // namespace

std::string HistoryRunName(std::time_t start) {
    std::tm tm{};
    localtime_r(&start, &tm);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d_%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::optional<std::time_t> HistoryRunTime(std::string_view name) {
    if (SuffixOf(name) == 0)
        return std::nullopt;
    std::tm tm{};
    const std::string head(name.substr(0, NameLength));
    int consumed = 0;
    if (std::sscanf(head.c_str(), "%4d-%2d-%2d_%2d%2d%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &consumed) != 6 ||
        static_cast<std::size_t>(consumed) != NameLength)
        return std::nullopt;
    for (const std::size_t digit : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 13, 14, 15, 16}) {
        if (head[digit] < '0' || head[digit] > '9')
            return std::nullopt;
    }
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    const std::tm wanted = tm;
    const std::time_t t = mktime(&tm);
    if (t == -1 || tm.tm_year != wanted.tm_year || tm.tm_mon != wanted.tm_mon || tm.tm_mday != wanted.tm_mday)
        return std::nullopt;
    return t;
}

int OpenHistoryFolder(int rootFd, bool create) {
    const ScopedFd own(OpenOwnFolder(rootFd, create));
    if (own.get() < 0)
        return -1;
    if (create && mkdirat(own.get(), HistoryFolderName, 0755) != 0 && errno != EEXIST)
        return -1;
    return openat(own.get(), HistoryFolderName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::vector<HistoryRun> ListHistoryRuns(int historyFd) {
    std::vector<std::pair<HistoryRun, int>> found; // with the suffix, to order runs of one second
    const int fd = historyFd < 0 ? -1 : openat(historyFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return {};
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        const std::optional<std::time_t> time = HistoryRunTime(name);
        if (!time)
            continue;
        struct stat st {};
        if (fstatat(historyFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            continue;
        found.push_back({HistoryRun{std::string(name), *time}, SuffixOf(name)});
    }
    closedir(dir);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.first.time != b.first.time)
            return a.first.time < b.first.time;
        if (a.second != b.second)
            return a.second < b.second;
        return a.first.name < b.first.name;
    });
    std::vector<HistoryRun> runs;
    runs.reserve(found.size());
    for (auto& [run, suffix] : found)
        runs.push_back(std::move(run));
    return runs;
}

} // namespace hozonix::engine
