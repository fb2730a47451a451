#include "engine/FileAttributes.h"

#include <sys/stat.h>

namespace hozonix::engine {

namespace {

std::string LastName(const std::string& path) {
    const auto end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return {};
    const auto slash = path.rfind('/', end);
    const auto start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

} // namespace

bool HasAttributes(const std::string& path, unsigned attributes) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return true;
    unsigned have = 0;
    if ((st.st_mode & 0222) == 0)
        have |= ReadOnlyAttribute;
    const std::string name = LastName(path);
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        have |= HiddenAttribute;
    if (S_ISDIR(st.st_mode))
        have |= DirectoryAttribute;
    else if (!S_ISREG(st.st_mode))
        have |= SystemAttribute;
    return (have & attributes) == attributes;
}

} // namespace hozonix::engine
