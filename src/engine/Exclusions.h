#pragma once
// The profile's two exclusion rules, applied to each scanned path.
//
// Extensions: the text upper-cased (ASCII letters) and split as comma text; an item excludes every path
// whose upper-cased form contains it anywhere (".BAK" also takes "a.bak1" and everything below
// "old.bak/"). Folders: split as comma text with blanks kept inside items; an item excludes every file
// whose folder (without a trailing "/") begins with the item's bytes, case-sensitive and not bounded at a
// separator ("/d/tmp" also takes "/d/tmp2"). Empty items exclude nothing.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hozonix::engine {

class ExclusionRules {
public:
    ExclusionRules(const std::string& excludedExtensions, const std::string& excludedFolders);

    bool Excludes(const std::string& path) const;

    const std::vector<std::string>& Extensions() const { return extensions_; }
    const std::vector<std::string>& Folders() const { return folders_; }

private:
    std::vector<std::string> extensions_;
    std::vector<std::string> folders_;
};

class FileList;

// Removes from `files` the entries `rules` exclude, adding their count to `excluded` and the sizes of
// those kept to `keptBytes`. `before(i)`, when given, is called before the i-th entry (from 0); false
// stops there and leaves the list as it was (the counts then hold what was seen).
bool DropExcluded(FileList& files, const ExclusionRules& rules, int& excluded, int64_t& keptBytes,
                  const std::function<bool(std::size_t)>& before = {});

} // namespace hozonix::engine
