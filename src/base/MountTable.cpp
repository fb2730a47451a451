#include "base/MountTable.h"

#include "base/TextCoding.h"

#include <algorithm>

namespace hozonix {

namespace {

std::string Unescaped(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    for (std::string_view line : SplitText(text, '\n')) {
        std::vector<std::string_view> fields;
        for (std::string_view f : SplitText(line, ' ')) {
            if (!f.empty())
                fields.push_back(f);
        }
        // id parent major:minor root mount-point options [optional fields...] - type source options
        const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
        if (fields.size() < 5 || dash == fields.end() || dash - fields.begin() < 6 || fields.end() - dash < 3)
            continue;
        mounts.push_back({Unescaped(fields[4]), Unescaped(*(dash + 1)), Unescaped(*(dash + 2))});
    }
    return mounts;
}

std::vector<std::string> ParseFstabMountPoints(std::string_view text) {
    std::vector<std::string> points;
    for (std::string_view line : SplitText(text, '\n')) {
        std::vector<std::string_view> fields;
        for (std::string_view f : SplitText(line, ' ')) {
            for (std::string_view g : SplitText(f, '\t')) {
                if (!g.empty())
                    fields.push_back(g);
            }
        }
        if (fields.size() < 2 || fields[0].starts_with('#') || !fields[1].starts_with('/'))
            continue;
        points.push_back(Unescaped(fields[1]));
    }
    return points;
}

} // namespace hozonix
