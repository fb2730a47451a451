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
#include <unordered_map>

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

HistoryKeeper::HistoryKeeper(int rootFd, std::string destination, std::time_t start, UnfinishedRunMark& mark)
    : rootFd_(rootFd), destination_(std::move(destination)), start_(start), mark_(mark),
      prefix_(JoinPath(destination_, "x").size() - 1) {}

HistoryKeeper::~HistoryKeeper() {
    if (folderFd_ >= 0)
        close(folderFd_);
    if (runFd_ >= 0)
        close(runFd_);
}

std::string_view HistoryKeeper::BelowOf(const std::string& target) const {
    return std::string_view(target).substr(std::min(prefix_, target.size()));
}

std::string HistoryKeeper::KeptPathOf(const std::string& target) const {
    return JoinPath(JoinPath(JoinPath(JoinPath(destination_, OwnFolderName), HistoryFolderName), runName_),
                    std::string(BelowOf(target)));
}

bool HistoryKeeper::OpenRun() {
    if (runFd_ >= 0)
        return true;
    const ScopedFd history(OpenHistoryFolder(rootFd_, true));
    if (history.get() < 0)
        return false;
    const std::string base = HistoryRunName(start_);
    for (int n = 1; n < 1000; ++n) {
        const std::string name = n == 1 ? base : base + "_" + std::to_string(n);
        if (mkdirat(history.get(), name.c_str(), 0700) == 0) {
            runFd_ = openat(history.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            runName_ = name;
            return runFd_ >= 0;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

int HistoryKeeper::OpenFolderFor(std::string_view below, bool create) {
    const std::size_t slash = below.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : below.substr(0, slash);
    if (folderFd_ >= 0 && folder == folderBelow_)
        return folderFd_;
    if (folderFd_ >= 0)
        close(folderFd_);
    folderFd_ = -1;
    folderBelow_.clear();
    if (!OpenRun())
        return -1;
    ScopedFd at(openat(runFd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t from = 0; at.get() >= 0 && from < folder.size();) {
        const std::size_t end = std::min(folder.find('/', from), folder.size());
        const std::string name(folder.substr(from, end - from));
        from = end + 1;
        if (name.empty())
            continue;
        if (create && mkdirat(at.get(), name.c_str(), 0755) != 0 && errno != EEXIST)
            return -1;
        at.reset(openat(at.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (at.get() < 0)
        return -1;
    folderFd_ = at.release();
    folderBelow_ = folder;
    return folderFd_;
}

HistoryKeeper::Kept HistoryKeeper::Keep(int folderFd, const std::string& target) {
    const std::string name = FileNameOf(target);
    struct stat st {};
    if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return Kept::None;
    const auto fail = [&] {
        throw AppError(target + texts::RenameTo + texts::LineBreak + KeptPathOf(target) + texts::CannotPark);
    };
    const int keptFd = OpenFolderFor(BelowOf(target), true);
    if (keptFd < 0)
        fail();
    if (LinkForKeeping(folderFd, name.c_str(), keptFd, name.c_str()) == 0)
        return Kept::Linked;
    if (errno == EEXIST) {
        // Kept already in this run (a drive that ignores letter case maps two names onto this one).
        struct stat kept {};
        if (fstatat(keptFd, name.c_str(), &kept, AT_SYMLINK_NOFOLLOW) == 0 && kept.st_ino == st.st_ino &&
            kept.st_dev == st.st_dev)
            return Kept::None;
        fail();
    }
    // No hard links: moved there, recorded first, so that a run killed before the copy is in place has
    // it put back by the next.
    if (!NoHardLinks(errno) || !mark_.NoteParked(target, KeptPathOf(target)) ||
        RenameForKeeping(folderFd, name.c_str(), keptFd, name.c_str()) != 0)
        fail();
    return Kept::Renamed;
}

void HistoryKeeper::Undo(int folderFd, const std::string& target, Kept kept) {
    if (kept == Kept::None)
        return;
    const std::string name = FileNameOf(target);
    const int keptFd = OpenFolderFor(BelowOf(target), false);
    if (kept == Kept::Linked) {
        if (keptFd >= 0)
            unlinkat(keptFd, name.c_str(), 0);
        return;
    }
    if (keptFd < 0 || renameat(keptFd, name.c_str(), folderFd, name.c_str()) != 0)
        throw AppError(KeptPathOf(target) + texts::RenameTo + texts::LineBreak + target +
                       texts::CannotPutBack);
}

namespace {

struct Entry {
    std::string name;
    unsigned char type; // DT_DIR, DT_REG, DT_LNK, or DT_UNKNOWN for anything else
};

// The entries of the open folder, read whole before any goes.
std::vector<Entry> ReadEntries(int folderFd) {
    std::vector<Entry> entries;
    const int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return entries;
    }
    while (const dirent* e = readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..")
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(folderFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(st.st_mode)   ? DT_DIR
                       : S_ISREG(st.st_mode) ? DT_REG
                       : S_ISLNK(st.st_mode) ? DT_LNK
                                             : DT_UNKNOWN;
        }
        if (type != DT_DIR && type != DT_REG && type != DT_LNK)
            type = DT_UNKNOWN;
        entries.push_back({std::string(name), type});
    }
    closedir(dir);
    return entries;
}

class Pruner {
public:
    Pruner(const std::atomic<bool>* abort, PruneResult& result) : abort_(abort), result_(result) {}

    bool Stopped() {
        if (abort_ != nullptr && abort_->load(std::memory_order_relaxed))
            result_.stopped = true;
        return result_.stopped;
    }

    // Removes a version; counted.
    void RemoveFile(int folderFd, const std::string& name) {
        if (unlinkat(folderFd, name.c_str(), 0) == 0)
            ++result_.removed;
        else
            ++result_.failed;
    }

    // Removes the folder `name` of `parentFd` with everything in it; false when something stays.
    bool RemoveTree(int parentFd, const std::string& name) {
        {
            const ScopedFd fd(
                openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (fd.get() < 0)
                return false;
            for (const Entry& e : ReadEntries(fd.get())) {
                if (Stopped())
                    return false;
                if (e.type == DT_DIR)
                    RemoveTree(fd.get(), e.name);
                else if (e.type != DT_UNKNOWN)
                    RemoveFile(fd.get(), e.name);
            }
        }
        return unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) == 0;
    }

    // Walks a run folder (newest runs first): each path seen more than `keep` times so far goes. Empty
    // folders left behind go too. True when the folder is empty afterwards.
    bool CountVersions(int folderFd, std::string& below, std::unordered_map<std::string, int>& seen,
                       int keep) {
        bool empty = true;
        for (const Entry& e : ReadEntries(folderFd)) {
            if (Stopped())
                return false;
            const std::size_t length = below.size();
            below.append(e.name);
            if (e.type == DT_DIR) {
                below.push_back('/');
                const ScopedFd sub(
                    openat(folderFd, e.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                if (sub.get() >= 0 && CountVersions(sub.get(), below, seen, keep) &&
                    unlinkat(folderFd, e.name.c_str(), AT_REMOVEDIR) == 0) {
                } else {
                    empty = false;
                }
            } else if (e.type != DT_UNKNOWN && ++seen[below] > keep) {
                RemoveFile(folderFd, e.name);
            } else {
                empty = false;
            }
            below.resize(length);
        }
        return empty;
    }

private:
    const std::atomic<bool>* abort_;
    PruneResult& result_;
};

} // namespace

PruneResult PruneHistory(int rootFd, const HistoryLimits& limits, std::time_t now,
                         const std::atomic<bool>* abort) {
    PruneResult result;
    const ScopedFd own(OpenOwnFolder(rootFd, false));
    const ScopedFd history(own.get() < 0 ? -1
                                         : openat(own.get(), HistoryFolderName,
                                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (history.get() < 0)
        return result;
    Pruner pruner(abort, result);
    std::vector<HistoryRun> runs = ListHistoryRuns(history.get());
    const std::time_t cutoff = now - static_cast<std::time_t>(std::max(limits.days, 1)) * 24 * 60 * 60;
    std::vector<HistoryRun> kept;
    for (const HistoryRun& run : runs) {
        if (pruner.Stopped())
            return result;
        if (run.time < cutoff)
            pruner.RemoveTree(history.get(), run.name);
        else
            kept.push_back(run);
    }
    // No path can have more versions than there are runs.
    const int keep = std::max(limits.versions, 1);
    std::unordered_map<std::string, int> seen;
    for (auto run = kept.rbegin(); run != kept.rend(); ++run) {
        if (pruner.Stopped())
            return result;
        const ScopedFd fd(
            openat(history.get(), run->name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        std::string below;
        if (fd.get() < 0)
            continue;
        const bool count = static_cast<int>(kept.size()) > keep;
        if (!count) {
            if (ReadEntries(fd.get()).empty())
                unlinkat(history.get(), run->name.c_str(), AT_REMOVEDIR);
            continue;
        }
        if (pruner.CountVersions(fd.get(), below, seen, keep))
            unlinkat(history.get(), run->name.c_str(), AT_REMOVEDIR);
    }
    return result;
}

} // namespace hozonix::engine
