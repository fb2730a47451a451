#include "engine/FileEntry.h"
#include "engine/FrontCodedStrings.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace hozonix::engine;

namespace {

// Names that share long beginnings, odd bytes, the longest a file system allows, across folders and
// across the boundaries of the coding's groups.
std::vector<FileEntry> Sample() {
    std::vector<FileEntry> out;
    const std::vector<std::string> folders = {"/src/", "/src/sub/", "/src/\xff\xfe odd\n/", "/src/sub/"};
    int64_t n = 0;
    for (const std::string& folder : folders) {
        for (int i = 0; i < 37; ++i, ++n) {
            std::string name = "file-with-a-typical-name-" + std::to_string(i) + ".txt";
            if (i == 5)
                name = std::string(255, 'x');
            if (i == 6)
                name = "file"; // a prefix of the name before it
            if (i == 7)
                name = "\x01\x7f\xc3\xa9";
            out.push_back({folder + name, (int64_t{1} << 40) + n, -n * 1'000'000'007, i % 11 != 3});
        }
    }
    return out;
}

void ExpectSame(const FileList& list, const std::vector<FileEntry>& expected) {
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t k = expected.size(); k-- > 0;) { // backwards, as the inspection reads it
        const FileEntry e = list[k];
        EXPECT_EQ(e.path, expected[k].path) << k;
        EXPECT_EQ(e.size, expected[k].size) << k;
        EXPECT_EQ(e.writeTime, expected[k].writeTime) << k;
        EXPECT_EQ(e.timesValid, expected[k].timesValid) << k;
        EXPECT_EQ(std::string(list.Folder(k)) + list.Name(k), e.path);
    }
    // Forwards with a cursor, from the start and from a file inside a run and a coding group.
    for (const std::size_t first : {std::size_t{0}, expected.size() / 2 + 3}) {
        std::size_t k = first;
        for (FileList::Cursor file(list, first); !file.AtEnd(); file.Next(), ++k) {
            EXPECT_EQ(file.Run(), list.FolderRunOf(k)) << k;
            const FileEntry e = file.Entry();
            EXPECT_EQ(e.path, expected[k].path) << k;
            EXPECT_EQ(std::make_tuple(e.size, e.writeTime, e.timesValid),
                      std::make_tuple(expected[k].size, expected[k].writeTime, expected[k].timesValid))
                << k;
        }
        EXPECT_EQ(k, expected.size());
    }
}

TEST(FileList, HoldsPathsSizesAndTimesExactlyThroughAppendAndKeep) {
    const std::vector<FileEntry> sample = Sample();
    FileList list;
    for (const FileEntry& e : sample)
        list.push_back(e);
    ExpectSame(list, sample);
    // "/src/sub/" comes twice, apart: two runs of files, each found from any of its files.
    ASSERT_EQ(list.FolderRunCount(), 4u);
    EXPECT_EQ(list.FolderRunOf(36), 0u);
    EXPECT_EQ(list.FolderRunOf(37), 1u);
    EXPECT_EQ(list.FirstOfRun(3), 111u);

    FileList tail;
    for (const FileEntry& e : sample)
        tail.push_back(e);
    list.Append(std::move(tail));
    EXPECT_TRUE(tail.empty());
    std::vector<FileEntry> twice = sample;
    twice.insert(twice.end(), sample.begin(), sample.end());
    ExpectSame(list, twice);

    std::vector<bool> keep(twice.size());
    std::vector<FileEntry> kept;
    for (std::size_t k = 0; k < twice.size(); ++k) {
        keep[k] = k % 3 != 1;
        if (keep[k])
            kept.push_back(twice[k]);
    }
    list.Keep(keep);
    ExpectSame(list, kept);
    list.Keep(std::vector<bool>(kept.size(), false));
    EXPECT_TRUE(list.empty());
}

// Storage starts small and grows: every entry must survive each growth and the move to whole chunks.
TEST(FileList, KeepsEveryEntryAsItsStorageGrows) {
    FileList list;
    const std::size_t count = 70'000;
    for (std::size_t i = 0; i < count; ++i)
        list.Add("/src/d" + std::to_string(i / 700) + "/", "f" + std::to_string(i), static_cast<int64_t>(i),
                 -static_cast<int64_t>(i) * 3, i % 5 != 0);
    ASSERT_EQ(list.size(), count);
    std::size_t k = 0;
    for (FileList::Cursor file(list); !file.AtEnd(); file.Next(), ++k) {
        ASSERT_EQ(file.Size(), static_cast<int64_t>(k));
        ASSERT_EQ(file.WriteTime(), -static_cast<int64_t>(k) * 3);
        ASSERT_EQ(file.TimesValid(), k % 5 != 0);
        ASSERT_EQ(file.Name(), "f" + std::to_string(k));
    }
    EXPECT_EQ(k, count);
}

} // namespace

TEST(FrontCodedStrings, ManyBlocksReadAtRandomAndInOrder) {
    // Strings that share little, so that they fill several blocks, and some as long as allowed.
    const auto text = [](std::size_t i) {
        return i % 9973 == 0
                   ? std::string(FrontCodedStrings::MaxLength, static_cast<char>('a' + i % 26))
                   : std::to_string(i * 7919 % 100003) + std::string(40 + i % 50, 'x') + std::to_string(i);
    };
    FrontCodedStrings list;
    for (std::size_t i = 0; i < 60'000; ++i)
        list.push_back(text(i), i % 1000 == 7);
    for (std::size_t i : {0ul, 15ul, 16ul, 9973ul, 9974ul, 31'337ul, 59'999ul})
        EXPECT_EQ(list[i], text(i)) << i;
    // A copy, walked with its iterator, from the start and from within a group.
    const FrontCodedStrings copy = list;
    std::size_t walked = 0;
    for (const std::string& s : copy)
        ASSERT_EQ(s, text(walked++)) << walked;
    EXPECT_EQ(walked, 60'000u);
    FrontCodedStrings::const_iterator at(copy, 9973);
    EXPECT_EQ(*at, text(9973));
    EXPECT_EQ(*++at, text(9974));
    std::size_t read = 0;
    list.Drain([&](std::size_t i, const std::string& s) {
        EXPECT_EQ(s, text(i)) << i;
        read = i + 1;
    });
    EXPECT_EQ(read, 60'000u);
    EXPECT_TRUE(list.empty());

    // A short list lives in one small block: a copy of it must hold as much and take more strings.
    FrontCodedStrings small;
    for (std::size_t i = 0; i < 300; ++i)
        small.push_back(text(i + 1));
    FrontCodedStrings grown = small;
    for (std::size_t i = 300; i < 3000; ++i)
        grown.push_back(text(i + 1));
    for (std::size_t i : {0ul, 299ul, 300ul, 2999ul})
        EXPECT_EQ(grown[i], text(i + 1)) << i;
    EXPECT_EQ(small[299], text(300));
}
