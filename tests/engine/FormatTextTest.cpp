#include "engine/FormatText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

using namespace hozonix::engine;

namespace {

std::string Printf(const char* format, double value) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

TEST(FormatText, RoundsLikePrintf) {
    // Ties and near-ties in binary, tiny and large values, negative zero.
    const double values[] = {0.0,   0.05,   0.15,  0.25,      0.35,      1.0 / 3,  2.0 / 3, 12.25, 12.35,
                             99.95, 99.999, 100.0, 4294967.3, 1.0092e-5, -0.04999, -1.25,   1e20,  2.5e-300};
    for (const char* format : {"%3.1f", "%3.2f", "%.0f", "%8.3f"}) {
        for (double v : values)
            EXPECT_EQ(FormatText(format, v), Printf(format, v)) << format << " " << v;
    }
}

TEST(FormatText, TextsCountsAndPadding) {
    EXPECT_EQ(FormatText("検査済  %3.1f%s [検査済 %d / %d]", 50.0, "%", 1, 2),
              "検査済  50.0% [検査済 1 / 2]");
    EXPECT_EQ(FormatText("%3.1f|%5d|%-5d|%05d|%s", 1.25, 42, 42, -42, std::string("x y")),
              "1.2|   42|42   |-0042|x y");
    EXPECT_EQ(FormatText("100%% %s", "done"), "100% done");
    EXPECT_EQ(FormatText("%d", int64_t{5'000'000'000}), "5000000000");
    EXPECT_EQ(FormatText("Cannot open file %s", "/a b/\xff.txt"), "Cannot open file /a b/\xff.txt");
    EXPECT_EQ(FormatText("%04d年%02d月", 2024, 3), "2024年03月");
    EXPECT_EQ(FormatText("missing %s and %d"), "missing "); // stops where the arguments end

    // A locale with a decimal comma changes nothing.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        EXPECT_EQ(FormatText("%3.1f", 12.5), "12.5");
        std::setlocale(LC_NUMERIC, "C");
    }
}

} // namespace
