#include "report/PageFile.h"
#include "report/PageStore.h"

#include "base/AppError.h"

#include "LiveHeap.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

using namespace hozonix::report;

namespace {

PageRecord ListPage(int number, int rows) {
    PageRecord page{2100, 2970, {}};
    for (int r = 0; r < rows; ++r) {
        TextRun run;
        run.rect = {100, 300.0 + 40 * r, 1900, 40};
        run.clip = run.rect;
        run.family = "IPAGothic";
        run.text =
            "/home/user/ドキュメント/資料_" + std::to_string(number) + "_" + std::to_string(r) + ".txt";
        page.items.emplace_back(run);
    }
    page.items.emplace_back(LineItem{100, 280, 2000, 280, 2, 0});
    page.items.emplace_back(RectItem{{50, 50, 2000, 2870}, 1, 0, true, 0xFFFFEE});
    return page;
}

} // namespace

TEST(PageFile, PagesReadBackAsTheyWentInInAnyOrderAndAfterEviction) {
    hozonix::test::TempFolder temp;
    PageFile pages(temp.Path());
    for (int n = 0; n < 40; ++n)
        pages.Add(ListPage(n, 30));
    // Beyond what a file may hold: kept as it is, not refused.
    PageRecord crowded = ListPage(99, 0);
    for (std::size_t i = 0; i <= kMaxPageItems; ++i)
        crowded.items.emplace_back(LineItem{10, 10, 20, 20, 0.1, 0});
    pages.Add(crowded);

    ASSERT_EQ(pages.size(), 41u);
    for (const int n : {39, 0, 17, 0, 38, 5})
        EXPECT_EQ(*pages.Get(static_cast<std::size_t>(n)), ListPage(n, 30)) << n;
    EXPECT_EQ(*pages.Get(40), crowded);
    EXPECT_LE(pages.CachedCount(), PageFile::CachedPages);
    // An unnamed file in the folder given: nothing to see there, however the program ends.
    EXPECT_EQ(hozonix::test::OpenFilesIn(temp.Path()), 1);
    EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));

    pages.Clear();
    EXPECT_TRUE(pages.empty());
    pages.Add(ListPage(7, 3));
    EXPECT_EQ(*pages.Get(0), ListPage(7, 3));
}

TEST(PageFile, AFolderThatCannotTakeTheFileIsACleanError) {
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string saved = tmpdir ? tmpdir : "";
    setenv("TMPDIR", "/nonexistent/tmp", 1); // no way out through the system's folder either
    PageFile pages("/nonexistent/hozonix");
    try {
        pages.Add(ListPage(1, 2));
        FAIL() << "added without a file";
    } catch (const hozonix::AppError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/hozonix"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(pages.empty());
    if (tmpdir)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");

    // Without the data folder's "TEMP", the system's folder takes the pages.
    pages.Add(ListPage(1, 2));
    EXPECT_EQ(*pages.Get(0), ListPage(1, 2));
}

TEST(PageFile, AStoreOfFiveThousandPagesStaysSmallAndGivesEveryPageBackWithItsCount) {
    hozonix::test::TempFolder temp;
    {
        PageStore store(temp.Path());
        const std::size_t before = hozonix::test::LiveHeapBytes();
        std::size_t largest = 0;
        store.BeginGeneration();
        for (int n = 1; n <= 5000; ++n) {
            PageRecord page = ListPage(n, 40);
            std::get<TextRun>(page.items[0]).text = std::to_string(n) + "／" + std::string(kPageCountMark);
            store.AddPage(std::move(page));
            largest = std::max(largest, hozonix::test::LiveHeapBytes());
        }
        store.SetFinished();
        // Held in memory, the pages would take some 50 MB (more with a sanitizer's padding).
        EXPECT_LT(largest - before, std::size_t{12} << 20)
            << "grew by " << (largest - before) / 1024 << " KiB";

        ASSERT_EQ(store.PageCount(), 5000);
        for (const int n : {1, 2500, 5000, 17}) {
            PageRecord expected = ListPage(n, 40);
            std::get<TextRun>(expected.items[0]).text = std::to_string(n) + "／5000";
            EXPECT_EQ(store.Page(n), expected) << n;
        }

        // Saved and opened again a page at a time: the file's 20 MB are never held whole.
        PageStore loaded(temp.Path());
        const std::size_t base = hozonix::test::LiveHeapBytes();
        std::atomic<std::size_t> peak{base};
        std::atomic<bool> done{false};
        std::thread watch([&] {
            while (!done) {
                peak = std::max(peak.load(), hozonix::test::LiveHeapBytes());
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        store.Save(temp / "list.REP");
        loaded.Load(temp / "list.REP");
        done = true;
        watch.join();
        EXPECT_LT(peak - base, std::size_t{12} << 20) << "grew by " << (peak - base) / 1024 << " KiB";
        ASSERT_EQ(loaded.PageCount(), 5000);
        for (const int n : {1, 4999})
            EXPECT_EQ(loaded.Page(n), store.Page(n)) << n;
        // The pages read from the file are kept in the store's folder too.
        EXPECT_EQ(hozonix::test::OpenFilesIn(temp.Path()), 2);
    }
}
