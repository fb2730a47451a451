#pragma once
// The places a user backs up to, for the folder browser: the home folder, the drives mounted below
// /media, /run/media/USER and /mnt (file systems in memory or of the kernel left out), and the network
// shares the desktop has mounted (GVfs mounts below
// /run/user/UID/gvfs, CIFS, NFS and SSHFS mounts of the mount table), each with a name a person reads
// at sight ("photos (nas)" for the share photos on the server nas).

#include "base/MountTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace hozonix::ui {

enum class PlaceKind { Home, Drive, Network };

struct Place {
    PlaceKind kind = PlaceKind::Home;
    std::string name;
    std::string path;
    bool operator==(const Place&) const = default;
};

using hozonix::MountEntry;
using hozonix::ParseMountInfo;

// What the places are found from; CurrentPlaceSources reads them from this process and its user.
struct PlaceSources {
    std::string home;
    std::string user;
    std::string mountInfo;  // the text of /proc/self/mountinfo
    std::string gvfsFolder; // /run/user/UID/gvfs; its subfolders are the desktop's network mounts
};
PlaceSources CurrentPlaceSources();

// "smb-share:server=nas,share=photos" gives "photos (nas)", "sftp:host=srv,user=u" gives "srv"; a name
// that is no GVfs mount name is given back as it is.
std::string GvfsMountName(std::string_view folderName);
// "//nas/photos" (CIFS) and "nas:/export/photos" (NFS) give "photos (nas)".
std::string NetworkMountName(const MountEntry& mount);

// Home first, then the drives, then the network places, each group by name; a path appears once.
std::vector<Place> FindPlaces(const PlaceSources& sources);

} // namespace hozonix::ui
