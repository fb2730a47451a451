#include "ui/Places.h"

#include "base/TextCoding.h"

#include "base/AtomicFile.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <set>
#include <unistd.h>

namespace hozonix::ui {

namespace {

// GVfs escapes the values of its mount names as in an address ("%2F" for "/").
std::string LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Labelled(const std::string& what, const std::string& where) {
    if (what.empty())
        return where;
    if (where.empty())
        return what;
    return what + " (" + where + ")";
}

bool IsNetworkType(std::string_view type) {
    static constexpr std::string_view kTypes[] = {"cifs",        "smb3",       "smbfs",     "nfs",
                                                  "nfs4",        "fuse.sshfs", "sshfs",     "davfs",
                                                  "fuse.davfs2", "afpfs",      "fuse.afpfs"};
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

// File systems of the kernel or in memory: nothing to keep a backup on.
bool IsPseudoType(std::string_view type) {
    static constexpr std::string_view kTypes[] = {
        "tmpfs",   "ramfs",    "proc",    "sysfs", "devtmpfs", "devpts",      "cgroup",     "cgroup2",
        "autofs",  "squashfs", "overlay", "nsfs",  "mqueue",   "hugetlbfs",   "securityfs", "debugfs",
        "tracefs", "configfs", "pstore",  "bpf",   "fusectl",  "binfmt_misc", "efivarfs",   "fuse.portal"};
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

bool IsBelow(std::string_view path, std::string_view folder) {
    return path.size() > folder.size() + 1 && path.substr(0, folder.size()) == folder &&
           path[folder.size()] == '/';
}

std::vector<std::string> SubfolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN))
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

} // namespace

PlaceSources CurrentPlaceSources() {
    PlaceSources sources;
    const passwd* account = getpwuid(getuid());
    const char* home = std::getenv("HOME");
    sources.home = home != nullptr && home[0] == '/' ? home : account != nullptr ? account->pw_dir : "/";
    if (account != nullptr)
        sources.user = account->pw_name;
    ReadWholeFile("/proc/self/mountinfo", sources.mountInfo);
    sources.gvfsFolder = "/run/user/" + std::to_string(getuid()) + "/gvfs";
    return sources;
}

std::string GvfsMountName(std::string_view folderName) {
    const size_t colon = folderName.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::string(folderName);
    std::string host;
    std::string what;
    for (std::string_view pair : SplitText(folderName.substr(colon + 1), ',')) {
        const size_t equals = pair.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = pair.substr(0, equals);
        const std::string value = PercentDecoded(pair.substr(equals + 1));
        if (key == "host" || key == "server")
            host = value;
        else if (key == "share" || key == "volume")
            what = value;
        else if (key == "prefix" && what.empty())
            what = LastComponent(value);
    }
    if (host.empty() && what.empty())
        return std::string(folderName);
    return Labelled(what == "/" ? std::string() : what, host);
}

std::string NetworkMountName(const MountEntry& mount) {
    std::string_view source = mount.source;
    if (source.substr(0, 2) == "//") {
        // //server/share/below
        source.remove_prefix(2);
        const size_t slash = source.find('/');
        if (slash != std::string_view::npos) {
            std::vector<std::string_view> parts = SplitText(source.substr(slash + 1), '/');
            return Labelled(std::string(parts.front()), std::string(source.substr(0, slash)));
        }
        return std::string(source);
    }
    // server:/export/folder, user@server:folder
    if (const size_t colon = source.find(':'); colon != std::string_view::npos && colon > 0) {
        std::string_view host = source.substr(0, colon);
        if (const size_t at = host.rfind('@'); at != std::string_view::npos)
            host.remove_prefix(at + 1);
        const std::string folder = LastComponent(source.substr(colon + 1));
        return Labelled(folder == "/" ? std::string() : folder, std::string(host));
    }
    return LastComponent(mount.mountPoint);
}

std::vector<Place> FindPlaces(const PlaceSources& sources) {
    std::vector<Place> drives;
    std::vector<Place> network;
    const std::string runMedia = "/run/media/" + sources.user;
    for (const MountEntry& mount : ParseMountInfo(sources.mountInfo)) {
        const std::string& at = mount.mountPoint;
        if (IsNetworkType(mount.fsType)) {
            network.push_back({PlaceKind::Network, NetworkMountName(mount), at});
            continue;
        }
        if (IsPseudoType(mount.fsType))
            continue;
        const bool drive = IsBelow(at, "/media") || (!sources.user.empty() && IsBelow(at, runMedia)) ||
                           at == "/mnt" || IsBelow(at, "/mnt");
        // /media/USER itself is only the folder the drives of one user are mounted in.
        if (drive && at != "/media/" + sources.user)
            drives.push_back({PlaceKind::Drive, at == "/mnt" ? at : LastComponent(at), at});
    }
    if (!sources.gvfsFolder.empty()) {
        for (const std::string& name : SubfolderNames(sources.gvfsFolder))
            network.push_back({PlaceKind::Network, GvfsMountName(name), sources.gvfsFolder + "/" + name});
    }
    // By name as a person reads it: letters without regard to case.
    auto folded = [](std::string text) {
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return text;
    };
    auto byName = [&](const Place& a, const Place& b) {
        const std::string x = folded(a.name);
        const std::string y = folded(b.name);
        return x != y ? x < y : a.path < b.path;
    };
    std::sort(drives.begin(), drives.end(), byName);
    std::sort(network.begin(), network.end(), byName);

    std::vector<Place> places{{PlaceKind::Home, "ホーム", sources.home}};
    std::set<std::string> seen{sources.home};
    for (const std::vector<Place>* group : {&drives, &network}) {
        for (const Place& place : *group) {
            if (seen.insert(place.path).second)
                places.push_back(place);
        }
    }
    return places;
}

} // namespace hozonix::ui
