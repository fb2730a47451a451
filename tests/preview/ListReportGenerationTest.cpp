// The list report's layout and callbacks, generated straight into a page store.

#include "preview/ListReport.h"

#include "report/PaperSizes.h"
#include "report/PdfOutput.h"

#include "PdfText.h"
#include "TempFolder.h"
#include "TextRecorder.h"

#include <QApplication>
#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace hozonix::preview {
namespace {

using report::PageStore;

struct Generated {
    ListReportState state;
    ListReport form{state, {}};
    PageStore store;

    explicit Generated(int lines, int lastPageTotal = 1) {
        for (int i = 0; i < lines; ++i)
            state.ReportLines.push_back(QStringLiteral("行%1 ファイル").arg(i).toStdString());
        state.LastPageTotal = lastPageTotal;
        form.Report().SetTitle(QStringLiteral("更新済みファイル一覧"));
        form.Report().SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 5)); });
        form.Report().Generate(store, false);
    }
    // The texts of one page that are list lines, in drawing order.
    std::vector<test::DrawnText> Rows(int page) const {
        std::vector<test::DrawnText> rows;
        for (const auto& t : test::TextsOnPage(store.Page(page))) {
            if (t.text.startsWith(QStringLiteral("行")))
                rows.push_back(t);
        }
        return rows;
    }
};

TEST(ListReportGenerationTest, ThreeLinesGiveThreeRowsInOrder) {
    Generated g(3);
    ASSERT_EQ(g.store.PageCount(), 1);
    const auto rows = g.Rows(1);
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].text, QStringLiteral("行%1 ファイル").arg(i));
        EXPECT_NEAR(rows[i].origin.x(), 100, 1); // left margin, 10 mm
    }
    EXPECT_NEAR(rows[1].origin.y() - rows[0].origin.y(), 71, 0.5); // rows of 7.1 mm
    EXPECT_NEAR(rows[2].origin.y() - rows[1].origin.y(), 71, 0.5);
    // The last call found the cursor at the end: it answered no and left the caption alone.
    EXPECT_EQ(g.form.LineLabel()->caption, QStringLiteral("行2 ファイル"));
    EXPECT_EQ(g.form.RowCursor(), 4);
    QStringList texts;
    for (const auto& t : test::TextsOnPage(g.store.Page(1)))
        texts << t.text;
    EXPECT_TRUE(texts.contains(QStringLiteral("更新済みファイル一覧")));
    EXPECT_TRUE(texts.contains(QStringLiteral("2026/12/08 09:05")));

    bool more = true;
    g.form.NeedData(g.form.Report(), more);
    EXPECT_FALSE(more);
    EXPECT_EQ(g.form.LineLabel()->caption, QStringLiteral("行2 ファイル"));
}

TEST(ListReportGenerationTest, RowsFillTheLeftColumnThenTheRightThenTheNextPage) {
    // Under the title band 36 rows fit a column; under the page label of later pages 38.
    Generated g(80);
    ASSERT_EQ(g.store.PageCount(), 2);
    const auto first = g.Rows(1), second = g.Rows(2);
    ASSERT_EQ(first.size(), 72u);
    ASSERT_EQ(second.size(), 8u);
    EXPECT_NEAR(first[35].origin.x(), 100, 1);
    EXPECT_NEAR(first[36].origin.x(), 1070, 1); // right column: 10 mm + 93 mm + a 4 mm gap
    EXPECT_NEAR(first[36].origin.y(), first[0].origin.y(), 0.5);
    EXPECT_GT(first[35].origin.y(), first[34].origin.y());
    EXPECT_EQ(first[36].text, QStringLiteral("行36 ファイル"));
    EXPECT_EQ(second[0].text, QStringLiteral("行72 ファイル"));
    EXPECT_NEAR(second[0].origin.x(), 100, 1);
    // No title band on page 2, only the page label: its rows start higher up.
    EXPECT_LT(second[0].origin.y(), first[0].origin.y() - 100);
}

TEST(ListReportGenerationTest, EveryPageCarriesItsNumberAndTheRealCount) {
    // Whatever total the preview received last, every page says where it stands among all the pages.
    for (int lastTotal : {1, 7}) {
        Generated g(200, lastTotal);
        ASSERT_EQ(g.store.PageCount(), 3);
        QStringList labels;
        for (int page = 1; page <= g.store.PageCount(); ++page) {
            for (const auto& t : test::TextsOnPage(g.store.Page(page))) {
                if (t.text.contains(QStringLiteral("／")))
                    labels << QString::number(page) + ":" + t.text;
            }
        }
        EXPECT_EQ(labels, (QStringList{QStringLiteral("1:1／3"), QStringLiteral("2:2／3"),
                                       QStringLiteral("3:3／3")}));
    }
}

// Paths of a written-file list under a Japanese home folder, each wider than a column in either
// orientation, each with a file name of its own.
QStringList LongPaths(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral(
                     "/home/user/ドキュメント/プロジェクト/二〇二六年度/顧客別の資料/見積書と請求書/"
                     "資料_%1.txt")
                     .arg(i, 5, 10, QLatin1Char('0'));
    return lines;
}

QRectF RectOf(const report::Box& b) {
    return {b.x, b.y, b.width, b.height};
}

TEST(ListReportGenerationTest, LongPathsWrapIntoWholeRowsThatAPdfHoldsOnce) {
    constexpr int kLetter = 1; // the paper table's code
    const QStringList lines = LongPaths(150);
    struct Sheet {
        int paper;
        report::Orientation orientation;
    } sheets[] = {{report::kPaperA4, report::Orientation::Portrait},
                  {report::kPaperA4, report::Orientation::Landscape},
                  {kLetter, report::Orientation::Portrait},
                  {kLetter, report::Orientation::Landscape}};
    test::TempFolder dir;
    for (const Sheet& sheet : sheets) {
        SCOPED_TRACE(sheet.paper * 10 + static_cast<int>(sheet.orientation));
        ListReportState state;
        for (const QString& line : lines)
            state.ReportLines.push_back(line.toStdString());
        ListReport form(state, {});
        form.Report().SetPaperSize(sheet.paper);
        form.Report().SetOrientation(sheet.orientation);
        form.Report().SetTitle(QStringLiteral("長いパスの一覧"));
        PageStore store;
        form.Report().Generate(store, false);
        ASSERT_GT(store.PageCount(), 1);

        // Each row: its lines in order, one under the other in one column of one page.
        struct Piece {
            int page;
            report::TextRun run;
        };
        std::vector<std::vector<Piece>> rows;
        for (int page = 1; page <= store.PageCount(); ++page) {
            bool inRows = false;
            std::vector<QRectF> taken;
            for (const auto& item : store.Page(page).items) {
                const auto* t = std::get_if<report::TextRun>(&item);
                if (t == nullptr)
                    continue;
                const bool startsRow = t->text.starts_with("/home/");
                inRows = inRows || startsRow;
                if (!inRows)
                    continue; // the title block and the page label
                if (startsRow)
                    rows.emplace_back();
                rows.back().push_back({page, *t});
                const QRectF rect = RectOf(t->rect);
                // Nothing of the line is cut off: it fits its box, and the box shows whole.
                EXPECT_TRUE(RectOf(t->clip).contains(rect)) << t->text;
                QFont font(QString::fromStdString(t->family));
                font.setPixelSize(t->pixelSize);
                EXPECT_LE(QFontMetricsF(font).horizontalAdvance(QString::fromStdString(t->text)),
                          rect.width() + 0.01)
                    << t->text;
                for (const QRectF& other : taken) {
                    const QRectF common = rect.intersected(other); // lines may touch, never overlap
                    EXPECT_FALSE(common.width() > 0.01 && common.height() > 0.01)
                        << t->text << " on " << page;
                }
                taken.push_back(rect);
            }
        }
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(lines.size()));
        int wrapped = 0;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            std::string joined;
            for (std::size_t i = 0; i < rows[r].size(); ++i) {
                const Piece& part = rows[r][i];
                joined += part.run.text;
                if (i + 1 < rows[r].size()) {
                    EXPECT_TRUE(part.run.text.ends_with("/")) << part.run.text; // broken between folders
                }
                if (i > 0) {
                    const Piece& above = rows[r][i - 1];
                    EXPECT_EQ(part.page, above.page);
                    EXPECT_DOUBLE_EQ(part.run.rect.x, above.run.rect.x);
                    EXPECT_NEAR(part.run.rect.y, above.run.rect.y + above.run.rect.height, 0.01);
                }
            }
            EXPECT_EQ(QString::fromStdString(joined), lines[static_cast<int>(r)]);
            wrapped += rows[r].size() > 1 ? 1 : 0;
        }
        EXPECT_EQ(wrapped, lines.size());

        // The PDF's text layer holds every file name once, and the pages' numbers with the real count.
        const std::string pdf = dir / "list.pdf";
        test::WriteFile(pdf, report::RenderPdf(store, QStringLiteral("一覧")).toStdString());
        ASSERT_EQ(test::PdfPages(pdf), store.PageCount());
        QString text;
        for (int page = 1; page <= store.PageCount(); ++page) {
            const QString pageText = test::PdfText(pdf, page);
            EXPECT_TRUE(pageText.contains(QStringLiteral("%1/%2").arg(page).arg(store.PageCount()))) << page;
            text += pageText;
        }
        for (int i = 0; i < lines.size(); ++i)
            EXPECT_EQ(text.count(QStringLiteral("資料_%1.txt").arg(i, 5, 10, QLatin1Char('0'))), 1) << i;
    }
}

} // namespace
} // namespace hozonix::preview
