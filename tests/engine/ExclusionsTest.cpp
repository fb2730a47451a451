#include "engine/Exclusions.h"
#include "engine/PathText.h"

#include <gtest/gtest.h>

using namespace hozonix::engine;

namespace {

TEST(ExclusionRules, FoldersAndExtensionsAsWritten) {
    struct Case {
        std::string extensions;
        std::string folders;
        std::string path;
        bool excluded;
    } cases[] = {
        // Folder prefixes are not bounded at a separator, and are case-sensitive.
        {"", "/data/tmp", "/data/tmp/a.txt", true},
        {"", "/data/tmp", "/data/tmp2/a.txt", true},
        {"", "/data/tmp", "/data/tmp/x/y/a.txt", true},
        {"", "/data/tmp", "/data/a.txt", false},
        {"", "/data/TMP", "/data/tmp/a.txt", false},
        // With a trailing "/", only the subfolders: the file's own folder has none.
        {"", "/data/tmp/", "/data/tmp/a.txt", false},
        {"", "/data/tmp/", "/data/tmp/sub/a.txt", true},
        // Blanks inside a folder name survive the split ...
        {"", "/home/u/My Documents/Temp", "/home/u/My Documents/Temp/a.txt", true},
        {"", "\"/q,uoted\"", "/q,uoted/a.txt", true},
        // ... and a blank after a comma starts the next item, which then matches nothing.
        {"", "/a, /b", "/a/x.txt", true},
        {"", "/a, /b", "/b/x.txt", false},
        {"", "/a,,", "/b/x.txt", false}, // empty items match nothing
        // Extensions: anywhere in the upper-cased path.
        {".bak", "", "/d/a.BAK", true},
        {".bak", "", "/d/a.bak1", true},
        {".bak", "", "/d/old.bak/readme.txt", true},
        {".bak", "", "/d/a.ba", false},
        {".BAK,.TMP", "", "/d/x.tmp", true},
        {".bak .tmp", "", "/d/x.tmp", true}, // an unquoted blank separates too
        {",", "", "/d/x.txt", false},
        {"ü", "", "/d/Ü.txt", false}, // only ASCII letters change case
        // Both rules.
        {".log", "/var/tmp", "/var/tmp/a.log", true},
        {".log", "/var/tmp", "/var/keep/a.txt", false},
    };
    for (const Case& c : cases) {
        ExclusionRules rules(c.extensions, c.folders);
        EXPECT_EQ(rules.Excludes(c.path), c.excluded)
            << "ext=" << c.extensions << " folders=" << c.folders << " path=" << c.path;
    }
    EXPECT_EQ(ExclusionRules("", "/a, /b").Folders(), (std::vector<std::string>{"/a", " /b"}));
}

TEST(PathText, OneSeparatorWhateverWasTyped) {
    struct Case {
        std::string source, sourceFolder, destinationFolder, expected;
    } cases[] = {
        {"/data/x/y.txt", "/data", "/backup", "/backup/x/y.txt"},
        {"/data/x/y.txt", "/data/", "/backup", "/backup/x/y.txt"},
        {"/data/x/y.txt", "/data", "/backup/", "/backup/x/y.txt"},
        {"/data/x/y.txt", "/data/", "/backup/", "/backup/x/y.txt"},
        {"/data//y.txt", "/data//", "/backup//", "/backup/y.txt"},
        {"/data/y.txt", "/data", "/", "/y.txt"},
        {"/y.txt", "/", "/backup", "/backup/y.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DestinationPathOf(c.source, c.sourceFolder, c.destinationFolder), c.expected)
            << c.sourceFolder << " " << c.destinationFolder;

    const std::pair<std::string, std::string> parked[] = {
        {"/b/disk.img", "/b/disk.~TMP"},
        {"/b/archive.tar.gz", "/b/archive.tar.~TMP"},
        {"/b/noext", "/b/noext.~TMP"},
        {"/b.d/noext", "/b.d/noext.~TMP"},
    };
    for (const auto& [target, name] : parked)
        EXPECT_EQ(ParkedNameOf(target), name);
    EXPECT_EQ(FolderOf("/a/b.txt"), "/a");
    EXPECT_EQ(FolderOf("/b.txt"), "/");
}

} // namespace
