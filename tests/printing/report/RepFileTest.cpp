#include "RepFile.h"
#include "AppError.h"
#include "ListForm.h"
#include "PageImages.h"
#include "TempFolder.h"

#include <QCryptographicHash>
#include <QDataStream>

#include <gtest/gtest.h>

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

    // Expects loading `bytes` to be refused with a message containing `what`, leaving `target` as it was.
    void ExpectRefused(const std::string& bytes, const char* what) {
        WriteFile(path, bytes);
        PageStore target;
        target.AddPage(store.Page(1));
        try {
            target.Load(path);
            ADD_FAILURE() << "accepted";
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        }
        EXPECT_EQ(target.PageCount(), 1);
        EXPECT_EQ(target.Setup().orientation, Orientation::Portrait);
    }

    // A file whose header is valid for `body`.
    static std::string WithHeader(const QByteArray& body, quint16 version = kRepFileVersion) {
        QByteArray file("HZXREP\x1a", 7);
        file.append('\0');
        QDataStream out(&file, QIODevice::Append);
        out << version << quint16(0) << quint64(body.size());
        file += QCryptographicHash::hash(body, QCryptographicHash::Sha256) + body;
        return file.toStdString();
    }

    TempFolder dir;
    std::string path = dir / "一覧.REP";
    test::ListForm form;
    PageStore store;
};

TEST_F(RepFileTest, SaveAndLoadGiveTheSamePages) {
    store.Save(path);
    PageStore loaded;
    loaded.Load(path);
    EXPECT_TRUE(loaded.IsFinished());
    ASSERT_EQ(loaded.PageCount(), 2);
    EXPECT_EQ(loaded.Setup().orientation, Orientation::Landscape);
    EXPECT_EQ(loaded.Setup().paperCode, kPaperA4);
    EXPECT_EQ(loaded.Setup().sheet.widthMm, 210);
    for (int p = 1; p <= 2; ++p) {
        const QImage original = test::RenderForComparison(store, p);
        EXPECT_GT(test::InkPixels(original), 1000) << p;
        EXPECT_EQ(test::RenderForComparison(loaded, p), original) << p;
    }
    EXPECT_NE(test::RenderForComparison(store, 1), test::RenderForComparison(store, 2));
}

TEST_F(RepFileTest, DamagedAndForeignFilesAreRefused) {
    store.Save(path);
    const std::string good = ReadFile(path);
    ASSERT_GT(good.size(), 100u);

    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x20;
    ExpectRefused(flipped, "壊れています");
    std::string sheet = good;
    sheet[52 + 10] ^= 0x01; // the sheet width, still a plausible size: only the seal tells
    ExpectRefused(sheet, "壊れています");
    ExpectRefused(good.substr(0, good.size() - 1), "壊れています");
    ExpectRefused(good.substr(0, 30), "壊れています");
    ExpectRefused(good + "x", "壊れています");
    ExpectRefused("", "ではありません");
    ExpectRefused("\x89PNG\r\n\x1a\n and more bytes of an image", "ではありません");
    ExpectRefused(good.substr(0, 8), "壊れています");

    std::string newer = good;
    newer[9] = 2; // version 2, big-endian
    ExpectRefused(newer, "開けません");
}

TEST_F(RepFileTest, WellSealedButForgedBodiesAreRefused) {
    auto body = [](qint32 code, double w, double h, quint8 orientation, quint32 count,
                   const QByteArray& page) {
        QByteArray b;
        QDataStream out(&b, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << code << w << h << orientation << count;
        if (!page.isNull())
            out << page;
        return b;
    };
    const QByteArray realPage(store.Page(1).data(), store.Page(1).size());
    QByteArray badPicture = realPage;
    badPicture[badPicture.size() - 3] ^= 0x55; // the picture's own checksum no longer matches

    ExpectRefused(WithHeader(body(9, 210, 297, 0, 4000000000u, {})), "壊れています");
    ExpectRefused(WithHeader(body(9, 210, 297, 0, 2, realPage)), "壊れています"); // one page missing
    ExpectRefused(WithHeader(body(9, 0, 297, 0, 1, realPage)), "壊れています");
    ExpectRefused(WithHeader(body(9, 210, std::nan(""), 0, 1, realPage)), "壊れています");
    ExpectRefused(WithHeader(body(9, 210, 297, 7, 1, realPage)), "壊れています");
    ExpectRefused(WithHeader(body(9, 210, 297, 0, 1, QByteArray("QPIC garbage"))), "壊れています");
    ExpectRefused(WithHeader(body(9, 210, 297, 0, 1, badPicture)), "壊れています");

    // The same construction with sound values is read, so the refusals above are about the values.
    WriteFile(path, WithHeader(body(9, 210, 297, 1, 1, realPage)));
    PageStore target;
    target.Load(path);
    EXPECT_EQ(target.PageCount(), 1);
    EXPECT_EQ(target.Setup().orientation, Orientation::Landscape);
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
