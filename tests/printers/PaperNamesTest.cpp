#include "printers/PaperNames.h"
#include "printers/MediaMapping.h"

#include <gtest/gtest.h>

namespace hozonix::printing {
namespace {

TEST(PaperNames, CodeFromName) {
    // Exact names are covered by the round trip below; these are the substring rules and near misses.
    const std::vector<std::pair<std::string, int>> table{
        {"", 0},          {"A4 210 x 297 mm", 9}, {"A4Small", 9}, {"JIS B4", 12},
        {"B5 (JIS)", 13}, {"A3 Extra", 8},        {"A5", 11},     {"PostcardJap", 43},
        {"Legal", 0},     {"letter", 0},          {"Letter ", 0}, {"a4", 0},
        {"Env10x", 0},    {"Default", 0},
    };
    for (const auto& [name, code] : table)
        EXPECT_EQ(PaperCodeFromName(name), code) << '"' << name << '"';
}

TEST(PaperNames, NameFromCodeRoundTrips) {
    for (int code : {1,  2,  3,  4,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 43, 69}) {
        const std::string name = PaperNameFromCode(code);
        // A4Small is the one name whose substring test wins over its own entry.
        EXPECT_EQ(PaperCodeFromName(name), code == 10 ? 9 : code) << name;
    }
    for (int code : {0, 5, 27, 42, 44, 68, 70, 256, -1})
        EXPECT_EQ(PaperNameFromCode(code), "Default") << code;
    EXPECT_EQ(PaperNameFromCode(43), "PostcardJap");
}

TEST(PaperNames, BinNameFromValue) {
    const std::vector<std::pair<int, std::string>> table{
        {0, "First"}, {1, "Upper"},       {4, "Manual"},         {6, "EnvManual"},
        {7, "Auto"},  {9, "SmallFormat"}, {11, "LargeCapacity"}, {12, "Cassette"},
        {13, "Last"}, {14, "不明"},       {200, "不明"},         {-1, "不明"}};
    for (const auto& [value, name] : table)
        EXPECT_EQ(BinNameFromValue(value), name) << value;
}

TEST(PaperNames, JapaneseNamesOfTraysAndSheetsFromEnglishDrivers) {
    const std::vector<std::pair<std::string, std::string>> trays{{"Printer Default", "プリンタの既定"},
                                                                 {"Automatically Select", "自動選択"},
                                                                 {"Tray 1", "トレイ1"},
                                                                 {"tray4", "トレイ4"},
                                                                 {"Manual Feed", "手差し"},
                                                                 {"Envelope Feed", "封筒フィーダー"},
                                                                 {"Tray 1 (Manual)", "Tray 1 (Manual)"},
                                                                 {"Traybox", "Traybox"},
                                                                 {"Tray ", "Tray "},
                                                                 {"上段", "上段"}};
    for (const auto& [english, japanese] : trays)
        EXPECT_EQ(JapaneseTrayName(english), japanese) << english;
    EXPECT_EQ(JapanesePaperName(9843, 19050), "封筒 モナーク");
    EXPECT_EQ(JapanesePaperName(16200, 11400), "封筒 C6"); // either way round
    EXPECT_EQ(JapanesePaperName(18400, 26000), "");        // 16K keeps the printer's name
}

TEST(MediaMapping, PaperCodeForSize) {
    struct Case {
        int width;
        int length;
        int code;
    };
    const std::vector<Case> table{
        {21000, 29700, 9},  {29700, 21000, 9}, // landscape is the same sheet
        {20990, 29704, 9},                     // a description's rounded points
        {21590, 27940, 1},  {27940, 43180, 3},  {29700, 42000, 8},  {14800, 21000, 11},
        {25700, 36400, 12}, {18200, 25700, 13}, {17600, 25000, 0}, // ISO B5 is not the JIS B5 of code 13
        {21590, 33020, 14}, {10478, 24130, 20}, {10000, 14800, 43}, {21590, 35560, 0}, // Legal has no code
        {21100, 29700, 0}};
    for (const auto& c : table)
        EXPECT_EQ(PaperCodeForSize(c.width, c.length), c.code) << c.width << "x" << c.length;
    // Every fixed size maps back to a code of the same sheet.
    for (int code : {1, 3, 7, 8, 9, 11, 12, 13, 19, 26, 43}) {
        const auto size = PaperSizeOfCode(code);
        ASSERT_TRUE(size.has_value()) << code;
        EXPECT_EQ(PaperCodeForSize(size->width, size->length), code);
    }
    EXPECT_FALSE(PaperSizeOfCode(69).has_value());
}

TEST(MediaMapping, Sources) {
    const std::vector<std::pair<std::string, int>> numbers{
        {"auto", 7},     {"manual", 4},          {"top", 1},    {"bottom", 2},
        {"envelope", 5}, {"large-capacity", 11}, {"tray-1", 0}, {"Auto", 0}};
    for (const auto& [keyword, number] : numbers)
        EXPECT_EQ(BinNumberForSourceKeyword(keyword), number) << keyword;

    const std::vector<std::pair<std::string, std::string>> slots{
        {"Default", "auto"},           {"AutoSelect", "auto"},   {"Upper", "top"},
        {"Tray2", "tray-2"},           {"1stTray", "1st-tray"},  {"2ndTray", "2nd-tray"},
        {"BypassTray", "bypass-tray"}, {"Envelope", "envelope"}, {"Manual", "manual"}};
    for (const auto& [choice, keyword] : slots)
        EXPECT_EQ(SourceKeywordForSlotChoice(choice), keyword) << choice;
}

} // namespace
} // namespace hozonix::printing
