#include "runner/TerminalText.h"

#include <gtest/gtest.h>

namespace hozonix::runner {

TEST(TerminalText, FileNamesCannotControlTheTerminal) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain/ファイル.txt", "plain/ファイル.txt"},
        {"a\033[2Jb", "a?[2Jb"},      // escape sequence
        {"tab\there\n", "tab?here?"}, // C0 controls
        {"del\x7f", "del?"},          // DEL
        {"c1\xc2\x9b"
         "31m",
         "c1?31m"},               // C1 control (CSI) written as UTF-8
        {"bad\xff\xfe", "bad??"}, // not UTF-8 at all
        {"cut\xe3\x81", "cut??"}, // a character cut short
        {"overlong\xc0\xaf", "overlong??"},
        {"surrogate\xed\xa0\x80", "surrogate???"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TerminalSafe(in), out) << in;
    EXPECT_EQ(Printable("a\r\nb\033", true), "a\nb?");
    EXPECT_EQ(Printable("a\r\nb\xff", false), "a\nb\xff"); // a log keeps the bytes
}

TEST(TerminalText, WidthAndFitting) {
    EXPECT_EQ(DisplayWidth("abc"), 3);
    EXPECT_EQ(DisplayWidth("更新済み"), 8);
    EXPECT_EQ(DisplayWidth("ｱｲ"), 2); // half-width kana

    EXPECT_EQ(FitFromLeft("/short", 10), "/short");
    EXPECT_EQ(FitFromLeft("/a/long/path/name.txt", 10), "…/name.txt");
    // A wide character that does not fit whole is left out, never cut in two.
    EXPECT_EQ(FitFromLeft("/フォルダ/写真.jpg", 9), "…写真.jpg");
    EXPECT_EQ(FitFromLeft("/フォルダ/写真.jpg", 8), "…真.jpg");
    for (int columns = 1; columns < 20; ++columns)
        EXPECT_LE(DisplayWidth(FitFromLeft("/フォルダ/写真と動画/a.jpg", columns)), columns);
}

TEST(TerminalText, SizesAndDurations) {
    const std::pair<int64_t, std::string> sizes[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1000, "1.00 kB"},
        {1500, "1.50 kB"},
        {9'994, "9.99 kB"},
        {9'995, "10.0 kB"},
        {999'949, "999.9 kB"},
        {999'950, "1.00 MB"},
        {20'000'000, "20.0 MB"},
        {3'210'000'000, "3.21 GB"},
        {int64_t{5} << 40, "5.50 TB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(FormatBytes(bytes), text) << bytes;
    const std::pair<double, std::string> durations[] = {
        {0.04, "0.0 s"},       {12.0, "12.0 s"},       {59.96, "1 min 00 s"},
        {185.0, "3 min 05 s"}, {7620.0, "2 h 07 min"},
    };
    for (const auto& [seconds, text] : durations)
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
}

} // namespace hozonix::runner
