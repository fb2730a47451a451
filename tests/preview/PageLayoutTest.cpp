#include "preview/PageLayout.h"

#include <gtest/gtest.h>

using namespace hozonix::preview;

TEST(PageLayoutTest, RoundingSendsHalvesToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {
        {12.5, 12}, {13.5, 14}, {12.34, 12}, {12.51, 13}, {0.5, 0}, {-2.5, -2}, {-3.5, -4},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(RoundHalfToEven(in), out) << in;
}

TEST(PageLayoutTest, FieldTextsAndNumbers) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {" 12.34 ", 12.34},    {"+3.5", 3.5},          {"-2", -2.0},           {".5", 0.5},
        {"", std::nullopt},    {"1,5", std::nullopt},  {"12mm", std::nullopt}, {"+-1", std::nullopt},
        {"inf", std::nullopt}, {"１５", std::nullopt},
    };
    for (const auto& [text, expected] : numbers)
        EXPECT_EQ(NumberFromText(QString::fromUtf8(text)), expected) << text;
    EXPECT_EQ(SmallIntegerFromText(" 2 "), int16_t(2));
    EXPECT_EQ(SmallIntegerFromText("32768"), std::nullopt);
    EXPECT_EQ(SmallIntegerFromText("1.5"), std::nullopt);

    EXPECT_EQ(MillimetreText(15), "15.0");
    EXPECT_EQ(MillimetreText(7.06), "7.1");
    EXPECT_EQ(SaveQuestion(""), "の余白設定を更新しますか？");
}
