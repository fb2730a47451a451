#include "report/ReportPreview.h"

#include "LiveHeap.h"
#include "PageImages.h"
#include "SampleListReport.h"
#include "TempFolder.h"

#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

using namespace hozonix;
using namespace hozonix::report;

namespace {

QStringList Lines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("行%1").arg(i);
    return lines;
}

TEST(PreviewTest, ZoomFitsThePageOrThePaperWidth) {
    ReportPreview view;
    view.resize(700, 500);
    view.show();
    test::SampleListReport form;
    form.lines = Lines(5);
    PageStore store;
    form.report.Generate(store, false);
    view.SetPageStore(&store);

    view.SetZoom(5);
    EXPECT_EQ(view.Zoom(), ReportPreview::kMinZoom);
    view.SetZoom(5000);
    EXPECT_EQ(view.Zoom(), ReportPreview::kMaxZoom);

    const double pxPerMm = view.logicalDpiX() / 25.4;
    const QSize room = view.maximumViewportSize() - QSize(16, 16);
    auto pixels = [&](double mm, int zoom) { return std::lround(mm * pxPerMm * zoom / 100.0); };

    view.ZoomToFit(); // portrait sheet in a wide view: the height decides
    const int fit = view.Zoom();
    EXPECT_LE(pixels(297, fit), room.height());
    EXPECT_GT(pixels(297, fit + 1), room.height());
    EXPECT_EQ(view.RenderPage().size(), QSize(int(pixels(210, fit)), int(pixels(297, fit))));

    view.ZoomToWidth();
    const int width = view.Zoom();
    EXPECT_GT(width, fit);
    EXPECT_LE(pixels(210, width), room.width());
    EXPECT_GT(pixels(210, width + 2), room.width() - view.verticalScrollBar()->sizeHint().width());

    // A landscape sheet in the same view is limited by its width instead.
    form.report.SetOrientation(Orientation::Landscape);
    PageStore wide;
    form.report.Generate(wide, false);
    view.SetPageStore(&wide);
    view.ZoomToFit();
    EXPECT_LE(pixels(297, view.Zoom()), room.width());
    EXPECT_GT(pixels(297, view.Zoom() + 1), room.width());
}

TEST(PreviewTest, ShowsTheChosenPageAndForgetsADeletedStore) {
    ReportPreview view;
    view.SetZoom(50);
    auto store = std::make_unique<PageStore>();
    test::SampleListReport form;
    form.lines = Lines(100);
    form.report.Generate(*store, false);
    ASSERT_EQ(store->PageCount(), 2);
    view.SetPageStore(store.get());

    const QImage page1 = view.RenderPage();
    EXPECT_GT(test::InkPixels(page1), 100);
    view.SetPageNumber(2);
    const QImage page2 = view.RenderPage();
    EXPECT_GT(test::InkPixels(page2), 100);
    EXPECT_NE(page1, page2);
    view.SetPageNumber(3);
    EXPECT_EQ(test::InkPixels(view.RenderPage()), 0);

    store.reset();
    EXPECT_EQ(view.Store(), nullptr);
    EXPECT_EQ(test::InkPixels(view.RenderPage()), 0);
}

// A repaint copies the page drawn before; the page is drawn again only when what it shows changed.
TEST(PreviewTest, RenderedPageIsKeptUntilItsPageStoreOrZoomChanges) {
    ReportPreview view;
    view.SetZoom(50);
    test::SampleListReport form;
    form.lines = Lines(100);
    PageStore store;
    form.report.Generate(store, false);
    view.SetPageStore(&store);

    const QImage first = view.RenderPage();
    EXPECT_EQ(view.RenderPage().cacheKey(), first.cacheKey());
    view.SetPageNumber(2);
    EXPECT_NE(view.RenderPage(), first);
    view.SetPageNumber(1);
    EXPECT_EQ(view.RenderPage(), first);
    view.SetZoom(60);
    EXPECT_NE(view.RenderPage().size(), first.size());
    view.SetZoom(50);
    const QImage again = view.RenderPage();
    EXPECT_EQ(again, first);

    // New pages in the same store at the same number show at once.
    form.lines = Lines(3);
    form.cursor = 0;
    form.report.Generate(store, false);
    const QImage fewer = view.RenderPage();
    EXPECT_NE(fewer.cacheKey(), again.cacheKey());
    EXPECT_LT(test::InkPixels(fewer), test::InkPixels(first));
    PageStore other;
    view.SetPageStore(&other);
    EXPECT_EQ(test::InkPixels(view.RenderPage()), 0);
}

// The report's preview call hands the new store to the viewer, raises page events while it generates
// and waits until the viewer releases the store.
TEST(PreviewTest, PreviewWaitsUntilTheStoreIsReleased) {
    ReportPreview view;
    test::SampleListReport form;
    form.lines = Lines(200);
    std::vector<int> events;
    QObject::connect(&view, &ReportPreview::pageAvailable, [&](int n) { events.push_back(n); });
    PageStore* shown = nullptr;
    bool freeWhenFirstPageShown = true;
    form.report.onPreview = [&](PageStore& s) {
        shown = &s;
        view.SetPageStore(&s);
        QObject::connect(&s, &PageStore::pageAvailable, [&](int n) {
            if (n == 1)
                freeWhenFirstPageShown = form.report.IsFree();
        });
        QObject::connect(&s, &PageStore::finished, [&s] { QTimer::singleShot(0, [&s] { s.Release(); }); });
    };
    form.report.Preview();

    EXPECT_EQ(events, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(freeWhenFirstPageShown);
    EXPECT_TRUE(form.report.IsFree());
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(view.Store(), nullptr); // the store lived only as long as the preview call
}

TEST(PreviewTest, NestedPreviewsEndTogetherWhenTheNewestStoreIsReleased) {
    test::SampleListReport form;
    form.lines = Lines(3);
    std::vector<PageStore*> stores;
    std::vector<std::string> order;
    form.report.onPreview = [&](PageStore& s) {
        stores.push_back(&s);
        if (stores.size() == 1) {
            // Regenerating from the open viewer nests a second preview call.
            QObject::connect(&s, &PageStore::finished, [&] {
                QTimer::singleShot(0, [&] {
                    form.report.SetTitle(QStringLiteral("新しい題"));
                    form.report.Preview();
                    order.push_back("inner returned");
                });
            });
        } else {
            QTimer::singleShot(0, [&] {
                stores[0]->Release(); // an older store does not end anything
                QTimer::singleShot(10, [&] {
                    order.push_back("release newest");
                    stores[1]->Release();
                });
            });
        }
    };
    form.report.Preview();
    order.push_back("outer returned");
    EXPECT_EQ(order, (std::vector<std::string>{"release newest", "inner returned", "outer returned"}));
}

TEST(PreviewTest, LoadedPagesArePreviewedAgain) {
    test::TempFolder dir;
    test::SampleListReport form;
    form.lines = Lines(100);
    PageStore generated;
    form.report.Generate(generated, false);
    generated.Save(dir / "a.REP");

    ReportPreview view;
    PageStore store;
    int hookCalls = 0;
    store.SetPreviewHook([&](PageStore& s) {
        ++hookCalls;
        view.SetPageStore(&s);
    });
    std::vector<int> events;
    QObject::connect(&view, &ReportPreview::pageAvailable, [&](int n) { events.push_back(n); });
    store.Load(dir / "a.REP");
    store.Preview();
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(events, (std::vector<int>{1, 2}));
    EXPECT_EQ(view.RenderPage(), [&] {
        ReportPreview other;
        other.SetPageStore(&generated);
        return other.RenderPage();
    }());
}

} // namespace

// At 800 % a whole A4 page would be a picture of 230 MB: above some 8 million pixels only the part that
// shows is drawn, the same as the whole picture would show it.
TEST(PreviewTest, AtHighZoomsOnlyWhatShowsIsDrawnAndAHiddenPreviewKeepsNoPicture) {
    ReportPreview view;
    view.resize(600, 400);
    view.show();
    test::SampleListReport form;
    form.lines = Lines(100);
    PageStore store;
    form.report.Generate(store, false);
    view.SetPageStore(&store);
    view.SetZoom(300);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 4);
    const QImage shown = view.viewport()->grab().toImage();
    const QPoint sheet = view.widget()->mapTo(view.viewport(), QPoint(8, 8));
    const QImage whole = view.RenderPage();
    const QRect overlap = QRect(sheet, whole.size()) & shown.rect();
    ASSERT_GT(overlap.width() * overlap.height(), 100'000);
    ASSERT_GT(test::InkPixels(whole.copy(overlap.translated(-sheet))), 500);
    int differing = 0;
    for (int y = overlap.top(); y <= overlap.bottom(); ++y) {
        for (int x = overlap.left(); x <= overlap.right(); ++x)
            differing += shown.pixel(x, y) != whole.pixel(x - sheet.x(), y - sheet.y()) ? 1 : 0;
    }
    EXPECT_LT(differing, shown.width() * shown.height() / 100);

    const std::size_t before = test::LiveHeapBytes();
    view.SetZoom(800);
    view.viewport()->grab();
    EXPECT_LT(test::LiveHeapBytes(), before + (std::size_t{40} << 20)); // the heap may also shrink

    view.SetZoom(100);
    const qsizetype pictureBytes = view.RenderPage().sizeInBytes();
    const std::size_t kept = test::LiveHeapBytes();
    view.hide();
    EXPECT_LT(test::LiveHeapBytes(), kept - pictureBytes / 2);
}
