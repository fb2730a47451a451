#include "report/RepFile.h"

#include "base/AppError.h"

#include "PageImages.h"
#include "SampleListReport.h"
#include "TempFolder.h"

#include "report/ByteCodec.h"
#include "report/PagePlayback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::report;
using hozonix::test::ReadFile;
using hozonix::test::TempFolder;
using hozonix::test::WriteFile;

namespace {

class RepFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.report.SetTitle(QStringLiteral("失敗したファイル"));
        form.report.SetOrientation(Orientation::Landscape);
        for (int i = 0; i < 70; ++i)
            form.lines << QStringLiteral("行%1 /home/利用者/書類/報告書%1.txt").arg(i);
        form.report.Generate(store, false);
        ASSERT_EQ(store.PageCount(), 2);
    }

    // Expects loading `bytes` to be refused with the preview's message ending in `reason`, leaving
    // `target` as it was.
    void ExpectRefused(const std::string& bytes, const std::string& reason) {
        WriteFile(path, bytes);
        ExpectRefusedAt(path, reason);
    }
    void ExpectRefusedAt(const std::string& file, const std::string& reason) {
        PageStore target;
        target.AddPage(store.Page(1));
        try {
            target.Load(file);
            ADD_FAILURE() << "accepted: " << reason;
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()), "レポートファイルを読み込めません\r\n" + file + "\r\n" + reason);
        }
        EXPECT_EQ(target.PageCount(), 1);
        EXPECT_EQ(target.Setup().orientation, Orientation::Portrait);
    }

    // The file for `data`, or for a body edited after encoding, sealed as the program seals it.
    static std::string Sealed(std::string body) {
        std::string file = EncodeRep({});
        file.resize(12);
        PutUnsigned(file, static_cast<std::uint64_t>(body.size()));
        PutUnsigned(file, Crc32(body));
        return file + body;
    }
    static std::string BodyOf(const RepData& data) { return EncodeRep(data).substr(24); }

    RepData DataOfStore() const {
        RepData data;
        data.sheet = {kPaperA4, 210, 297, true};
        for (int p = 1; p <= store.PageCount(); ++p)
            data.pages.push_back(store.Page(p));
        return data;
    }

    TempFolder dir;
    std::string path = dir / "一覧.REP";
    test::SampleListReport form;
    PageStore store;
};

TEST_F(RepFileTest, SaveAndLoadGiveTheSamePages) {
    store.Save(path);
    PageStore loaded;
    loaded.Load(path);
    EXPECT_TRUE(loaded.IsFinished());
    ASSERT_EQ(loaded.PageCount(), 2);
    // A reader off the window's thread hears of each page as it comes.
    std::vector<int> counts;
    EXPECT_EQ(loaded.ReadFile(path, [&](int pages) { counts.push_back(pages); }).pages.size(), 2u);
    EXPECT_EQ(counts, (std::vector<int>{1, 2}));
    EXPECT_EQ(loaded.Setup().orientation, Orientation::Landscape);
    EXPECT_EQ(loaded.Setup().paperCode, kPaperA4);
    EXPECT_EQ(loaded.Setup().sheet.widthMm, 210);
    for (int p = 1; p <= 2; ++p) {
        EXPECT_EQ(loaded.Page(p), store.Page(p)) << p;
        const QImage original = test::RenderForComparison(store, p);
        EXPECT_GT(test::InkPixels(original), 1000) << p;
        EXPECT_EQ(test::RenderForComparison(loaded, p), original) << p;
    }
    EXPECT_NE(test::RenderForComparison(store, 1), test::RenderForComparison(store, 2));
    // Lines and rectangles, which the list does not draw, come back the same too.
    RepData data = DataOfStore();
    data.pages[1].items.push_back(LineItem{10, 20, 2000, 20, 3, 0x112233});
    data.pages[1].items.push_back(RectItem{{100, 100, 500, 300}, 0, 0, true, 0xFF0000});
    data.pages[1].items.push_back(RectItem{{0, 0, 2970, 2100}, 5, 0x0000FF, false, 0});
    const RepData again = DecodeRep(EncodeRep(data));
    EXPECT_EQ(again.sheet, data.sheet);
    EXPECT_EQ(again.pages, data.pages);
}

TEST_F(RepFileTest, DamagedForeignAndOldFilesAreRefused) {
    store.Save(path);
    const std::string good = ReadFile(path);
    ASSERT_GT(good.size(), 100u);
    const std::string damaged = "レポートファイルが壊れています";

    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x20;
    ExpectRefused(flipped, damaged);
    std::string sheet = good;
    sheet[24 + 4 + 3] ^= 0x01; // the sheet width, still a plausible size: only the seal tells
    ExpectRefused(sheet, damaged);
    ExpectRefused(good.substr(0, good.size() - 1), damaged);
    ExpectRefused(good.substr(0, 30), damaged);
    ExpectRefused(good + "x", damaged);
    ExpectRefused(good.substr(0, 8), damaged);
    ExpectRefused("", "レポートファイルではありません");
    ExpectRefused("\x89PNG\r\n\x1a\n and more bytes of an image", "レポートファイルではありません");

    // Files of the first version held Qt picture data, which is never read again.
    for (int version : {1, 3}) {
        std::string other = good;
        other[9] = static_cast<char>(version);
        ExpectRefused(other, "この版のレポートファイルは開けません");
    }
}

// The faults found in the picture-based format, each as the new format would have to carry it, in a
// file whose seal is right: only the checks of the fields stand between it and the painter.
TEST_F(RepFileTest, ForgedFieldsAreRefusedBeforeAnythingIsDrawn) {
    const std::string damaged = "レポートファイルが壊れています";
    const std::string badSheet = "用紙の大きさが正しくありません";
    auto withPage = [&](auto edit) {
        RepData data = DataOfStore();
        data.pages.resize(1);
        edit(data.pages[0]);
        return Sealed(BodyOf(data));
    };
    auto withText = [&](auto edit) {
        return withPage([&](PageRecord& page) {
            TextRun run = std::get<TextRun>(page.items.at(0));
            edit(run);
            page.items.push_back(run);
        });
    };
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    ExpectRefused(withText([](TextRun& t) { t.rect.x = nan; }), damaged);
    ExpectRefused(withText([](TextRun& t) { t.rect.width = 1e300; }), damaged);
    ExpectRefused(withText([](TextRun& t) { t.clip = {-10, 0, 100, 100}; }), damaged); // off the page
    ExpectRefused(withText([](TextRun& t) { t.clip = {0, 0, 2971, 100}; }), damaged);  // wider than it
    ExpectRefused(withText([](TextRun& t) { t.align = TextAlign(4); }), damaged);      // no such enum
    ExpectRefused(withText([](TextRun& t) { t.pixelSize = 0; }), damaged);
    ExpectRefused(withText([](TextRun& t) { t.pixelSize = 60000; }), damaged); // a glyph of 6 m
    ExpectRefused(withText([](TextRun& t) { t.color = 0x01000000; }), damaged);
    ExpectRefused(withText([](TextRun& t) { t.family.clear(); }), damaged);
    ExpectRefused(withText([](TextRun& t) { t.text = "\xE3\x81"; }), damaged); // broken UTF-8
    ExpectRefused(withText([](TextRun& t) { t.text.assign(kMaxTextBytes + 1, 'x'); }), damaged);
    ExpectRefused(withPage([](PageRecord& p) { p.items.push_back(LineItem{0, 0, 1e9, 0, 1, 0}); }), damaged);
    ExpectRefused(withPage([](PageRecord& p) { p.items.push_back(LineItem{0, 0, 10, 0, 1e6, 0}); }), damaged);
    ExpectRefused(withPage([](PageRecord& p) {
                      p.items.push_back(RectItem{{0, 0, -5, 5}, 1, 0, false, 0});
                  }),
                  damaged);
    ExpectRefused(withPage([](PageRecord& p) { p.width = 2100; }), damaged); // not the file's sheet
    // Within every limit item by item, but more than a page can hold: drawing it would take minutes.
    const std::string tooMuch = "ページの内容が多すぎます";
    ExpectRefused(withPage([](PageRecord& p) { p.items.resize(kMaxPageItems + 1, LineItem{}); }), tooMuch);
    ExpectRefused(withPage([](PageRecord& p) {
                      TextRun run = std::get<TextRun>(p.items.at(0));
                      run.text.assign(kMaxTextBytes, 'W');
                      p.items.insert(p.items.end(), kMaxPageTextBytes / kMaxTextBytes + 1, run);
                  }),
                  tooMuch);
    // Few bytes, but glyphs of 30 mm laid over the whole page a thousand times: half a minute to draw.
    ExpectRefused(withPage([](PageRecord& p) {
                      TextRun run = std::get<TextRun>(p.items.at(0));
                      run.text.assign(26, 'W');
                      run.pixelSize = 300;
                      run.wrap = true;
                      run.rect = run.clip = {0, 0, p.width, p.height};
                      p.items.insert(p.items.end(), 1000, run);
                  }),
                  tooMuch);
    ExpectRefused(
        withPage([](PageRecord& p) {
            p.items.insert(p.items.end(), 20, RectItem{{0, 0, p.width, p.height}, 0, 0, true, 0xEEEEEE});
        }),
        tooMuch);

    // Sheets of any size but real paper, and paper codes that name none.
    for (RepSheet s : {RepSheet{69, 10000, 10000, false}, RepSheet{69, 0, 297, false},
                       RepSheet{69, nan, 297, false}, RepSheet{69, 297, 210, false}}) {
        RepData data;
        data.sheet = s;
        ExpectRefused(Sealed(BodyOf(data)), badSheet);
    }
    RepData unknownPaper;
    unknownPaper.sheet.paperCode = 4242;
    ExpectRefused(Sealed(BodyOf(unknownPaper)), damaged);

    // Counts and lengths beyond what the bytes hold are refused without reserving memory for them.
    const std::string body = BodyOf(DataOfStore());
    auto patched = [&](std::size_t at, std::uint32_t value) {
        std::string b = body;
        std::string v;
        PutUnsigned(v, value);
        return Sealed(b.replace(at, 4, v));
    };
    constexpr std::size_t kPageCountAt = 4 + 8 + 8 + 1, kFirstPageAt = kPageCountAt + 4;
    ExpectRefused(patched(kPageCountAt, 4000000000u), damaged);
    ExpectRefused(patched(kPageCountAt, 3), damaged);                    // one page missing
    ExpectRefused(patched(kFirstPageAt, 0xFFFFFFFFu), damaged);          // page length
    ExpectRefused(patched(kFirstPageAt + 4 + 16, 0x7FFFFFFFu), damaged); // item count
    std::string unknownItem = body;
    unknownItem[kFirstPageAt + 4 + 20] = 9; // first item's kind
    ExpectRefused(Sealed(unknownItem), damaged);
    std::string flags = body;
    flags[kFirstPageAt + 4 + 20 + 1 + 64 + 1] = char(0x80); // first text's flags
    ExpectRefused(Sealed(flags), damaged);
    const std::size_t textLengthAt = kFirstPageAt + 4 + 20 + 1 + 64 + 1 + 1 + 2 + 4 + 2 +
                                     std::get<TextRun>(store.Page(1).items[0]).family.size();
    ExpectRefused(patched(textLengthAt, 0xFFFFFFF0u), damaged);

    // The same construction with sound values is read, so the refusals above are about the values.
    WriteFile(path, withText([](TextRun& t) { t.text = "追加の行"; }));
    PageStore target;
    target.Load(path);
    EXPECT_EQ(target.PageCount(), 1);
    EXPECT_EQ(target.Setup().orientation, Orientation::Landscape);
}

// The limits together keep the worst page a file may hold to a moment's drawing.
TEST_F(RepFileTest, HeaviestAcceptedPageDrawsInMoments) {
    RepData data = DataOfStore();
    data.pages.resize(1);
    PageRecord& page = data.pages[0];
    TextRun big = std::get<TextRun>(page.items.at(0));
    big.rect = big.clip = {0, 0, page.width, page.height};
    big.wrap = true;
    big.pixelSize = kMaxFontPixels;
    big.text.assign(26, 'W');
    page.items.assign(std::size_t(kMaxInkPerPage) - 1, big); // ink up to the limit
    TextRun long_ = big;
    long_.pixelSize = 35;
    long_.clip = {0, 0, 100, 100};
    long_.text.assign(kMaxTextBytes, 'W');
    page.items.insert(page.items.end(), kMaxPageTextBytes / kMaxTextBytes - 1, long_); // text up to it
    page.items.resize(kMaxPageItems, LineItem{0, 0, 10, 10, 1, 0});                    // items up to it
    const RepData accepted = DecodeRep(EncodeRep(data));

    QImage image(794, 1123, QImage::Format_RGB32); // A4 at 96 dpi
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(0.378, 0.378);
    const auto start = std::chrono::steady_clock::now();
    DrawPage(painter, accepted.pages[0]);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

// A file naming hundreds of families that are not installed: each text is still drawn, in an installed
// family, the ones past the names matched once in the default family.
TEST_F(RepFileTest, TextsInFamiliesNotInstalledAreDrawnAllTheSame) {
    RepData data = DataOfStore();
    data.pages.resize(1);
    PageRecord& page = data.pages[0];
    const TextRun sample = std::get<TextRun>(page.items.at(0));
    page.items.clear();
    for (int i = 0; i < 1000; ++i) {
        TextRun t = sample;
        t.family = "No Such Family " + std::to_string(i);
        t.text = "WWWW";
        t.rect = t.clip = {static_cast<double>(i % 25) * 110, static_cast<double>(i / 25) * 50, 100, 45};
        page.items.emplace_back(std::move(t));
    }
    QImage image(2970, 2100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawPage(painter, DecodeRep(EncodeRep(data)).pages[0]);
    painter.end();
    for (const QRect area : {QRect(0, 0, 100, 45), QRect(24 * 110, 39 * 50, 100, 45)})
        EXPECT_GT(test::InkPixels(image.copy(area)), 20) << area.x();
}

// Nothing to print is said, not shown as a blank sheet; and dots of a thick pen are ink.
TEST_F(RepFileTest, AFileOfNoPagesOrOfTooManyThickDotsIsRefused) {
    RepData data = DataOfStore();
    data.pages.clear();
    ExpectRefused(EncodeRep(data), "印刷するページがありません");

    data = DataOfStore();
    data.pages.resize(1);
    PageRecord& page = data.pages[0];
    data.sheet = {kPaperA4, 100, 100, false}; // 10 cm square: room for 16e6 units of ink
    page.width = page.height = 1000;
    // A line of no length and a rectangle of no size each paint the pen's square.
    const auto dots = [&](double pen) {
        page.items.clear();
        for (std::size_t i = 0; i < kMaxPageItems / 2; ++i) {
            page.items.emplace_back(LineItem{500, 500, 500, 500, pen, 0});
            page.items.emplace_back(RectItem{{500, 500, 0, 0}, pen, 0, false, 0});
        }
        return EncodeRep(data);
    };
    ExpectRefused(dots(kMaxPenWidth), "ページの内容が多すぎます");
    WriteFile(path, dots(kMaxPenWidth / 10));
    PageStore target;
    target.Load(path);
    EXPECT_EQ(target.PageCount(), 1);
}

TEST_F(RepFileTest, OnlyRegularFilesOfSaneSizeAreRead) {
    const std::string fifo = dir / "pipe.REP", big = dir / "big.REP", folder = dir / "folder.REP";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    {
        // A sparse file just over the limit costs no disk.
        store.Save(big);
        ASSERT_EQ(truncate(big.c_str(), off_t(kMaxRepFileBytes) + 1), 0);
    }
    ExpectRefusedAt(fifo, "通常のファイルではありません");
    ExpectRefusedAt("/dev/zero", "通常のファイルではありません");
    ExpectRefusedAt(folder, "通常のファイルではありません");
    ExpectRefusedAt(big, "レポートファイルとして大きすぎます");
    ExpectRefusedAt(dir / "missing.REP", "ファイルを読み込めません [No such file or directory]");
}

TEST_F(RepFileTest, OnlyFinishedStoresAreSaved) {
    PageStore unfinished;
    unfinished.AddPage(store.Page(1));
    EXPECT_THROW(unfinished.Save(path), AppError);
    EXPECT_FALSE(test::PathExists(path));
    EXPECT_THROW(store.Save(dir / "missing/x.REP"), AppError);
}

TEST(PageRangeTest, FirstAndLastPageSelectPages) {
    struct Case {
        int first, last, count, expectFirst, expectLast;
    } cases[] = {{1, 0, 5, 1, 5}, {0, 0, 5, 1, 5}, {2, 3, 5, 2, 3},  {4, 9, 5, 4, 5},
                 {6, 0, 5, 6, 5}, {3, 2, 5, 3, 2}, {-2, -1, 3, 1, 3}};
    for (const Case& c : cases) {
        PrinterSettings s;
        s.firstPage = c.first;
        s.lastPage = c.last;
        const PageRange r = SelectedPages(s, c.count);
        EXPECT_EQ(r.first, c.expectFirst) << c.first << "-" << c.last;
        EXPECT_EQ(r.last, c.expectLast) << c.first << "-" << c.last;
    }
}

} // namespace
