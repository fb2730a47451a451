#include "engine/DestinationDrive.h"

#include "base/AtomicFile.h"
#include "base/MountTable.h"
#include "engine/EngineTexts.h"
#include "engine/PathText.h"

#include <climits>
#include <cstdlib>
#include <vector>

namespace hozonix::engine {

namespace {

// The deepest of `points` that holds `path`, or "".
std::string Deepest(const std::vector<std::string>& points, const std::string& path) {
    std::string best;
    for (const std::string& p : points) {
        if (p.size() > best.size() && IsAtOrBelow(path, p))
            best = p;
    }
    return best;
}

} // namespace

DriveCheck CheckDestinationDrive(const std::string& folder, const std::string& lastMount, bool holdsLastRun,
                                 const MountTables& tables) {
    DriveCheck check;
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved) == nullptr)
        return check; // the run itself reports a folder it cannot use
    const std::string path = resolved;
    std::string text;
    if (ReadWholeFile(tables.mountInfo, text) != 0)
        return check; // nothing can be told without the table
    std::vector<std::string> mounted;
    for (const MountEntry& m : ParseMountInfo(text))
        mounted.push_back(m.mountPoint);
    check.mount = Deepest(mounted, path);
    if (ReadWholeFile(tables.fstab, text) == 0) {
        std::vector<std::string> points;
        for (std::string& p : ParseFstabMountPoints(text)) {
            if (p.size() > 1 && p.back() == '/')
                p.pop_back();
            if (p != "/")
                points.push_back(std::move(p));
        }
        const std::string wanted = Deepest(points, path);
        if (wanted.size() > check.mount.size()) {
            check.refusal = texts::DriveNotMounted + folder;
            return check;
        }
    }
    if (!lastMount.empty() && lastMount != check.mount && lastMount.size() > check.mount.size() &&
        IsAtOrBelow(lastMount, check.mount) && IsAtOrBelow(path, lastMount) && !holdsLastRun)
        check.refusal = texts::DriveGone + folder;
    return check;
}

} // namespace hozonix::engine
