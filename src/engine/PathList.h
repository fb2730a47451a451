#pragma once
// The written and failed files of a run: full paths in the order they were added, kept front-coded, since
// paths written one after the other share most of their bytes. A million paths take a few megabytes.

#include "engine/FrontCodedStrings.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::engine {

class PathList {
public:
    PathList() = default;
    PathList(std::initializer_list<std::string_view> paths);
    PathList(PathList&&) noexcept = default;
    PathList& operator=(PathList&&) noexcept = default;
    PathList(const PathList& other) = default;
    PathList& operator=(const PathList& other) = default;

    void push_back(std::string_view path) { paths_.push_back(path); }
    // Appends every path of `other`, in its order.
    void Append(const PathList& other);
    void clear() { paths_ = FrontCodedStrings(); }

    std::size_t size() const { return paths_.size(); }
    bool empty() const { return paths_.empty(); }
    std::string operator[](std::size_t i) const { return paths_[i]; }
    std::string front() const { return paths_[0]; }
    std::string back() const { return paths_[size() - 1]; }
    std::vector<std::string> ToVector() const;

    // Decodes each path once, in order.
    using iterator = FrontCodedStrings::const_iterator;
    iterator begin() const { return paths_.begin(); }
    iterator end() const { return paths_.end(); }

    friend bool operator==(const PathList& a, const PathList& b);
    friend bool operator==(const PathList& a, const std::vector<std::string>& b) { return a.ToVector() == b; }
    friend std::ostream& operator<<(std::ostream& out, const PathList& list);

private:
    FrontCodedStrings paths_;
};

} // namespace hozonix::engine
