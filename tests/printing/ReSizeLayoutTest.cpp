#include "ReSizeLayout.h"

#include "AppError.h"
#include "Report.h"

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::printing;

namespace {

void AddDetail(report::Report& report) {
    report.AddDetailBand("Detail").height = 7.1;
    report.SetColumns(2);
}

} // namespace

TEST(ReSizeLayoutTest, RoundingSendsHalvesToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {
        {12.5, 12}, {13.5, 14}, {12.34, 12}, {12.51, 13}, {0.5, 0}, {1.5, 2}, {-2.5, -2}, {-3.5, -4}, {7, 7},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(RoundHalfToEven(in), out) << in;
}

TEST(ReSizeLayoutTest, FieldTextsAndNumbers) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {"15", 15.0},          {" 12.34 ", 12.34},     {"+3.5", 3.5},         {"-2", -2.0},
        {".5", 0.5},           {"1e1", 10.0},          {"", std::nullopt},    {"abc", std::nullopt},
        {"1,5", std::nullopt}, {"12mm", std::nullopt}, {"+-1", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt}, {"１５", std::nullopt},
    };
    for (const auto& [text, expected] : numbers)
        EXPECT_EQ(NumberFromText(QString::fromUtf8(text)), expected) << text;

    const std::pair<const char*, std::optional<int16_t>> counts[] = {
        {"2", int16_t(2)},       {" 0 ", int16_t(0)},   {"-1", int16_t(-1)}, {"32767", int16_t(32767)},
        {"32768", std::nullopt}, {"1.5", std::nullopt}, {"", std::nullopt},  {"x", std::nullopt},
    };
    for (const auto& [text, expected] : counts)
        EXPECT_EQ(SmallIntegerFromText(QString::fromUtf8(text)), expected) << text;

    EXPECT_EQ(MillimetreText(15), "15.0");
    EXPECT_EQ(MillimetreText(12.34), "12.3");
    EXPECT_EQ(MillimetreText(7.06), "7.1");
    EXPECT_EQ(SaveQuestion("一覧"), "一覧の余白設定を更新しますか？");
    EXPECT_EQ(SaveQuestion(""), "の余白設定を更新しますか？");
}

TEST(ReSizeLayoutTest, ApplyPutsTheRecordOntoTheReport) {
    struct Case {
        double top, bottom, left, right;
        int16_t columns;
        uint8_t orientation;
        double wantTop, wantBottom;
        int wantColumns;
    } cases[] = {
        {12.5, 13.5, 12.34, 7.75, 3, 1, 12, 14, 3},
        {0.5, 2.5, 0, 0, 1, 0, 0, 2, 1},
        // Below 1 the report keeps its own column count.
        {10, 10, 10, 10, 0, 0, 10, 10, 2},
        {10, 10, 10, 10, -3, 0, 10, 10, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.top);
        report::Report report("Report1");
        AddDetail(report);
        ReportDefinition definition;
        definition.MG_TOP = c.top;
        definition.MG_BOTOM = c.bottom;
        definition.MG_LEFT = c.left;
        definition.MG_RIGHT = c.right;
        definition.COLUMNS = c.columns;
        definition.MG_COLUMN = 4.5;
        definition.Orientation = c.orientation;
        ApplyReportDefinition(definition, report);
        const report::PageSetup& setup = report.Setup();
        EXPECT_EQ(setup.topMargin, c.wantTop);
        EXPECT_EQ(setup.bottomMargin, c.wantBottom);
        EXPECT_EQ(setup.leftMargin, c.left);
        EXPECT_EQ(setup.rightMargin, c.right);
        EXPECT_EQ(setup.columns, c.wantColumns);
        EXPECT_EQ(setup.columnSpace, 4.5);
        EXPECT_EQ(setup.orientation,
                  c.orientation == 1 ? report::Orientation::Landscape : report::Orientation::Portrait);
    }
}

TEST(ReSizeLayoutTest, DetailBandIsFoundByName) {
    report::Report report("Report1");
    AddDetail(report);
    EXPECT_DOUBLE_EQ(DetailBandHeight(report), 7.1);
    SetDetailBandHeight(report, 12);
    EXPECT_DOUBLE_EQ(report.FindBand("Detail")->height, 12);

    report::Report bare("Report1");
    bare.AddDetailBand("Rows");
    EXPECT_THROW(DetailBandHeight(bare), AppError);
}
