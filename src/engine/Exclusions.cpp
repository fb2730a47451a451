#include "engine/Exclusions.h"

#include "engine/FileEntry.h"
#include "settings/CommaText.h"

#include <algorithm>
#include <string_view>

namespace hozonix::engine {

namespace {

// Blanks would separate items of comma text; this stand-in carries them through the split.
constexpr std::string_view BlankStandIn = "||||";

std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
        out.append(text, start, at - start).append(to);
        start = at + from.size();
    }
    out.append(text, start, std::string::npos);
    return out;
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

void DropEmpty(std::vector<std::string>& items) {
    items.erase(std::remove(items.begin(), items.end(), std::string()), items.end());
}

} // namespace

ExclusionRules::ExclusionRules(const std::string& excludedExtensions, const std::string& excludedFolders) {
    extensions_ = SplitCommaText(UpperAscii(excludedExtensions));
    DropEmpty(extensions_);
    folders_ = SplitCommaText(ReplaceAll(excludedFolders, " ", BlankStandIn));
    for (std::string& item : folders_)
        item = ReplaceAll(item, BlankStandIn, " ");
    DropEmpty(folders_);
}

bool ExclusionRules::Excludes(const std::string& path) const {
    if (!folders_.empty()) {
        const auto slash = path.rfind('/');
        const std::string_view folder(path.data(), slash == std::string::npos ? 0 : slash);
        for (const std::string& item : folders_) {
            if (folder.substr(0, item.size()) == item)
                return true;
        }
    }
    if (!extensions_.empty()) {
        const std::string upper = UpperAscii(path);
        for (const std::string& item : extensions_) {
            if (upper.find(item) != std::string::npos)
                return true;
        }
    }
    return false;
}

bool DropExcluded(FileList& files, const ExclusionRules& rules, int& excluded, int64_t& keptBytes,
                  const std::function<bool(std::size_t)>& before) {
    std::vector<bool> keep(files.size(), true);
    std::string path;
    for (FileList::Cursor file(files); !file.AtEnd(); file.Next()) {
        if (before && !before(file.Index()))
            return false;
        path.assign(file.Folder()).append(file.Name());
        if (rules.Excludes(path)) {
            keep[file.Index()] = false;
            ++excluded;
        } else {
            keptBytes += file.Size();
        }
    }
    files.Keep(keep);
    return true;
}

} // namespace hozonix::engine
