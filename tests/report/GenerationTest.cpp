#include "base/AppError.h"

#include "SampleListReport.h"
#include "TempFolder.h"
#include "TextRecorder.h"

#include <gtest/gtest.h>

#include <map>

using namespace hozonix;
using namespace hozonix::report;
using hozonix::test::SampleListReport;
using hozonix::test::TextsOnPage;

namespace {

struct Row {
    int page;
    QString text;
    double x;
    double y;
};

// The detail rows of every page ("行" lines), in drawing order.
std::vector<Row> RowsOf(const PageStore& store) {
    std::vector<Row> rows;
    for (int p = 1; p <= store.PageCount(); ++p) {
        for (const auto& t : TextsOnPage(store.Page(p))) {
            if (t.text.startsWith(QStringLiteral("行")))
                rows.push_back({p, t.text, t.origin.x(), t.origin.y()});
        }
    }
    return rows;
}

QStringList Lines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("行%1 バックアップ済み").arg(i, 4, 10, QLatin1Char('0'));
    return lines;
}

TEST(GenerationTest, ThreeLinesGiveThreeRowsInOrder) {
    SampleListReport form;
    form.lines = {QStringLiteral("行 一"), QStringLiteral("行 二"), QStringLiteral("行 三")};
    PageStore store;
    form.report.Generate(store, false);

    ASSERT_EQ(store.PageCount(), 1);
    EXPECT_TRUE(store.IsFinished());
    const auto rows = RowsOf(store);
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].text, form.lines[i]);
        EXPECT_DOUBLE_EQ(rows[i].x, 100); // left margin, first column
        if (i > 0) {
            EXPECT_NEAR(rows[i].y - rows[i - 1].y, 71, 0.01);
        }
    }
    // Below the 16.7 mm title band, inside the first 7.1 mm row.
    EXPECT_GT(rows[0].y, 267);
    EXPECT_LT(rows[0].y, 267 + 71);
    // The last need-data call answered "no more" and left the caption alone.
    EXPECT_EQ(form.needDataCalls, 4);
    EXPECT_EQ(form.dataLabel->caption, form.lines[2]);
}

TEST(GenerationTest, RowsFillTheLeftColumnThenTheRightThenTheNextPage) {
    // Page 1 holds 36 rows a column under the title band, later pages 39.
    SampleListReport form;
    form.lines = Lines(36 * 2 + 39 + 1);
    PageStore store;
    form.report.Generate(store, false);

    ASSERT_EQ(store.PageCount(), 2);
    const auto rows = RowsOf(store);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(form.lines.size()));
    for (int i = 0; i < form.lines.size(); ++i)
        ASSERT_EQ(rows[i].text, form.lines[i]) << i;
    struct Expect {
        int index, page;
        double x;
    } expected[] = {{0, 1, 100},  {35, 1, 100},  {36, 1, 1050}, {71, 1, 1050},
                    {72, 2, 100}, {110, 2, 100}, {111, 2, 1050}};
    for (const Expect& e : expected) {
        EXPECT_EQ(rows[e.index].page, e.page) << e.index;
        EXPECT_DOUBLE_EQ(rows[e.index].x, e.x) << e.index;
    }
    EXPECT_DOUBLE_EQ(rows[36].y, rows[0].y); // right column starts at the top too
    EXPECT_LT(rows[72].y, rows[0].y - 150);  // no title band on page 2
    EXPECT_DOUBLE_EQ(rows[111].y, rows[72].y);
}

TEST(GenerationTest, NoDataOrCancelGivesNoPage) {
    SampleListReport empty;
    PageStore store;
    empty.report.Generate(store, false);
    EXPECT_EQ(store.PageCount(), 0);
    EXPECT_TRUE(store.IsFinished());
    EXPECT_EQ(empty.needDataCalls, 0); // the before-print callback cancelled

    SampleListReport noRows;
    noRows.lines = {QStringLiteral("行")};
    noRows.report.onBeforePrint = nullptr;
    noRows.report.onNeedData = [](Report&, bool& more) { more = false; };
    PageStore store2;
    noRows.report.Generate(store2, false);
    EXPECT_EQ(store2.PageCount(), 0);
}

TEST(GenerationTest, TitleBandFieldsPrintOnceOnTheFirstPage) {
    SampleListReport form;
    form.lines = Lines(100);
    form.report.SetTitle(QStringLiteral("更新したファイル"));
    form.report.SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 5, 30)); });
    PageStore store;
    form.report.Generate(store, false);
    ASSERT_EQ(store.PageCount(), 2);

    std::map<QString, int> onPage1;
    for (const auto& t : TextsOnPage(store.Page(1)))
        onPage1[t.text] = t.pixelSize;
    EXPECT_EQ(onPage1.count(QStringLiteral("2026/12/08 09:05")), 1u);
    EXPECT_EQ(onPage1.count(QStringLiteral("更新したファイル")), 1u);
    EXPECT_EQ(onPage1.count(QStringLiteral("1／1")), 1u);
    // 16 pt is 5.64 mm, 11 pt 3.88 mm, in tenths of a millimetre.
    EXPECT_EQ(onPage1[QStringLiteral("更新したファイル")], 56);
    EXPECT_EQ(onPage1[QStringLiteral("1／1")], 39);
    for (const auto& t : TextsOnPage(store.Page(2)))
        EXPECT_TRUE(t.text.startsWith(QStringLiteral("行"))) << t.text.toStdString();
    EXPECT_EQ(form.report.PageNumber(), 2);
}

struct GeometryCase {
    Orientation orientation;
    double top, bottom, left, right, detail;
    int columns;
    double space;
    int rowsPerColumn; // on pages without the title band
    double secondColumnX;
    double firstRowTop;
};

TEST(GenerationTest, PageSetupShapesTheDetailFlow) {
    const GeometryCase cases[] = {
        {Orientation::Portrait, 10, 10, 10, 10, 7.1, 2, 0, 39, 1050, 100},
        {Orientation::Landscape, 10, 10, 10, 10, 7.1, 2, 0, 26, 1485, 100},
        {Orientation::Portrait, 20, 30, 15, 5, 10, 2, 10, 24, 1150, 200},
        {Orientation::Portrait, 10, 10, 10, 10, 20, 3, 5, 13, 750, 100},
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.rowsPerColumn);
        SampleListReport form;
        form.report.SetOrientation(c.orientation);
        form.report.SetMargins(c.top, c.bottom, c.left, c.right);
        form.report.SetBandHeight("detail", c.detail);
        form.report.SetColumns(c.columns);
        form.report.SetColumnSpace(c.space);
        form.lines = Lines(400);
        PageStore store;
        form.report.Generate(store, false);
        ASSERT_GE(store.PageCount(), 3);

        std::map<double, std::vector<double>> columns; // x -> row tops on page 2
        for (const auto& row : RowsOf(store)) {
            if (row.page == 2)
                columns[row.x].push_back(row.y);
        }
        ASSERT_EQ(columns.size(), static_cast<std::size_t>(c.columns));
        EXPECT_DOUBLE_EQ(columns.begin()->first, c.left * 10);
        EXPECT_DOUBLE_EQ(std::next(columns.begin())->first, c.secondColumnX);
        const auto& firstColumn = columns.begin()->second;
        EXPECT_EQ(static_cast<int>(firstColumn.size()), c.rowsPerColumn);
        EXPECT_GT(firstColumn.front(), c.firstRowTop);
        EXPECT_LT(firstColumn.front(), c.firstRowTop + c.detail * 10);
        EXPECT_NEAR(firstColumn[1] - firstColumn[0], c.detail * 10, 0.01);
        const QSizeF page = PageSizeMm(store.Setup());
        EXPECT_EQ(page.width() > page.height(), c.orientation == Orientation::Landscape);
    }
}

TEST(GenerationTest, RowTallerThanThePageStillEnds) {
    SampleListReport form;
    form.report.SetBandHeight("Detail", 400);
    form.lines = Lines(3);
    PageStore store;
    form.report.Generate(store, false);
    // The first page keeps only the title; then one cut row per column.
    ASSERT_EQ(store.PageCount(), 3);
    EXPECT_EQ(RowsOf(store).size(), 3u);

    // A wrapped row longer than a column goes on in the next columns, cut between its lines only.
    SampleListReport wrapped;
    const QString line = QStringLiteral("行") + QString(3000, QChar(0x8CC7)) + QStringLiteral("/終わり");
    wrapped.lines = {line};
    PageStore wrappedStore;
    wrapped.report.Generate(wrappedStore, false);
    EXPECT_GE(wrappedStore.PageCount(), 2);
    QString joined;
    for (int p = 1; p <= wrappedStore.PageCount(); ++p) {
        for (const PageItem& item : wrappedStore.Page(p).items) {
            const auto* t = std::get_if<TextRun>(&item);
            if (t == nullptr || (p == 1 && t->rect.y < 267 - 0.01))
                continue; // the title band
            EXPECT_LE(t->clip.y, t->rect.y);
            EXPECT_GE(t->clip.y + t->clip.height, t->rect.y + t->rect.height - 0.01);
            joined += QString::fromStdString(t->text);
        }
    }
    EXPECT_EQ(joined, line);
}

TEST(GenerationTest, LayoutErrorsAndChangesWhileGenerating) {
    hozonix::test::TempFolder dir;
    PageStore generated;
    SampleListReport other;
    other.lines = Lines(90);
    other.report.Generate(generated, false);
    SampleListReport form;
    form.lines = Lines(2);
    form.report.SetMargins(150, 150, 10, 10);
    PageStore store;
    EXPECT_THROW(form.report.Generate(store, false), AppError);
    EXPECT_TRUE(form.report.IsFree());
    EXPECT_FALSE(store.IsFinished()); // so it cannot be saved as if complete
    EXPECT_THROW(store.Save(dir / "x.REP"), AppError);

    form.report.SetMargins(10, 10, 10, 10);
    generated.Save(dir / "old.REP");
    PageStore store2;
    bool refused = false, loadRefused = false;
    bool freeDuring = true;
    auto feed = form.report.onNeedData;
    form.report.onNeedData = [&](Report& r, bool& more) {
        freeDuring = r.IsFree();
        try {
            r.SetOrientation(Orientation::Landscape);
        } catch (const AppError&) {
            refused = true;
        }
        try {
            store2.Load(dir / "old.REP"); // would mix old pages into the new ones
        } catch (const AppError&) {
            loadRefused = true;
        }
        feed(r, more);
    };
    form.report.Generate(store2, false);
    EXPECT_FALSE(freeDuring);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(loadRefused);
    EXPECT_EQ(RowsOf(store2).size(), 2u);
    EXPECT_EQ(form.report.GetOrientation(), Orientation::Portrait);
    EXPECT_TRUE(form.report.IsFree());
}

TEST(GenerationTest, PaperBandsAndPrinterSettings) {
    SampleListReport form;
    Report& r = form.report;
    r.SetPaperSize(8);
    EXPECT_EQ(r.Setup().sheet.widthMm, 297);
    EXPECT_EQ(r.Setup().sheet.heightMm, 420);
    EXPECT_THROW(r.SetPaperSize(5), AppError);
    EXPECT_EQ(r.PaperSize(), 8);
    r.SetCustomPaper(300, 100);
    EXPECT_EQ(r.PaperSize(), kPaperCustom);
    EXPECT_EQ(r.Setup().sheet.widthMm, 100);
    // Real paper only: the largest sheet of the media table with a margin, and no sheet of nothing.
    r.SetCustomPaper(1200, 800);
    EXPECT_EQ(r.Setup().sheet.heightMm, 1200);
    EXPECT_THROW(r.SetCustomPaper(10000, 100), AppError);
    EXPECT_THROW(r.SetCustomPaper(210, 0.01), AppError);
    EXPECT_EQ(r.Setup().sheet.heightMm, 1200);

    EXPECT_DOUBLE_EQ(r.BandHeight("DETAIL"), 7.1);
    r.SetBandHeight("titleband1", 20);
    EXPECT_DOUBLE_EQ(r.FindBand("TitleBand1")->height, 20);
    EXPECT_EQ(r.FindBand("Nothing"), nullptr);
    EXPECT_THROW(r.BandHeight("Nothing"), AppError);
    EXPECT_THROW(r.SetBandHeight("Nothing", 1), AppError);

    // Generation hands the printer settings and source table to the store.
    form.lines = Lines(1);
    r.Printer().copies = 3;
    r.Printer().paperSource = kSourceUpper;
    r.PaperSources().SetUpperSource(260);
    PageStore store;
    r.Generate(store, false);
    EXPECT_EQ(store.settings.copies, 3);
    EXPECT_EQ(store.paperSources.PrinterSourceNumber(store.settings.paperSource), 260);
    EXPECT_EQ(store.paperSources.PrinterSourceNumber(kSourceCassette), 14);
    EXPECT_EQ(store.paperSources.PrinterSourceNumber(99), 7);
}

} // namespace
