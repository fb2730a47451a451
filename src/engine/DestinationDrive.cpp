#include "engine/DestinationDrive.h"

#include "base/AtomicFile.h"
#include "engine/EngineTexts.h"
#include "engine/PathText.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

namespace hozonix::engine {

namespace {

// The tables escape blanks and a few other bytes as a backslash and three octal digits.
std::string Unescaped(const std::string& field) {
    const auto octal = [&](std::size_t i) { return i < field.size() && field[i] >= '0' && field[i] <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        fields.push_back(line.substr(start, end - start));
        at = end;
    }
    return fields;
}

// Field `index` of each line of the file (comment lines left out), unescaped; nothing when unreadable.
std::optional<std::vector<std::string>> Column(const std::string& path, std::size_t index) {
    std::string text;
    if (ReadWholeFile(path, text) != 0)
        return std::nullopt;
    std::vector<std::string> column;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
            continue;
        const std::vector<std::string> fields = Fields(line);
        if (fields.size() > index)
            column.push_back(Unescaped(fields[index]));
    }
    return column;
}

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
    // Mount points field 5 of mountinfo; fstab's field 2.
    const std::optional<std::vector<std::string>> mounted = Column(tables.mountInfo, 4);
    if (!mounted)
        return check; // nothing can be told without the table
    check.mount = Deepest(*mounted, path);
    if (const std::optional<std::vector<std::string>> listed = Column(tables.fstab, 1)) {
        std::vector<std::string> points;
        for (const std::string& p : *listed) {
            if (!p.empty() && p[0] == '/' && p != "/")
                points.push_back(p.size() > 1 && p.back() == '/' ? p.substr(0, p.size() - 1) : p);
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
