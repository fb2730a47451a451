#include "engine/PathList.h"

namespace hozonix::engine {

PathList::PathList(std::initializer_list<std::string_view> paths) {
    for (std::string_view path : paths)
        push_back(path);
}

void PathList::Append(const PathList& other) {
    if (&other == this) {
        const PathList copy = other;
        Append(copy);
        return;
    }
    other.paths_.ForEach([&](std::size_t, const std::string& path) { push_back(path); });
}

std::vector<std::string> PathList::ToVector() const {
    std::vector<std::string> out;
    out.reserve(size());
    paths_.ForEach([&](std::size_t, const std::string& path) { out.push_back(path); });
    return out;
}

bool operator==(const PathList& a, const PathList& b) {
    return a.size() == b.size() && a.ToVector() == b.ToVector();
}

std::ostream& operator<<(std::ostream& out, const PathList& list) {
    out << "{";
    list.paths_.ForEach(
        [&](std::size_t i, const std::string& path) { out << (i == 0 ? " \"" : ", \"") << path << "\""; });
    return out << " }";
}

} // namespace hozonix::engine
