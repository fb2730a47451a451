#include "engine/PathText.h"

#include <climits>
#include <unistd.h>

namespace hozonix::engine {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    const auto end = folder.find_last_not_of('/');
    const auto start = name.find_first_not_of('/');
    std::string out = end == std::string::npos ? std::string() : folder.substr(0, end + 1);
    if (!folder.empty() || end != std::string::npos)
        out += '/';
    if (start != std::string::npos)
        out.append(name, start, std::string::npos);
    return out;
}

std::string DestinationPathOf(const std::string& sourcePath, const std::string& sourceFolder,
                              const std::string& destinationFolder) {
    const std::string below =
        sourcePath.size() > sourceFolder.size() ? sourcePath.substr(sourceFolder.size()) : "";
    return JoinPath(destinationFolder, below);
}

std::string ParkedNameOf(const std::string& target) {
    const auto slash = target.rfind('/');
    const auto dot = target.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return target + ".~TMP";
    return target.substr(0, dot) + ".~TMP";
}

bool IsAtOrBelow(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    char buf[PATH_MAX];
    if (getcwd(buf, sizeof buf) == nullptr)
        return path;
    return path.empty() ? std::string(buf) : JoinPath(buf, path);
}

} // namespace hozonix::engine
