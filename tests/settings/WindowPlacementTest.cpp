#include "settings/WindowPlacement.h"
#include "settings/IniFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace hozonix;
using hozonix::test::TempFolder;
using hozonix::test::WriteFile;

namespace {

// Records the order of the setters, since a window applies them in that order.
class FakeWindow : public WindowGeometry {
public:
    FakeWindow(int l, int t, int w, int h) : l_(l), t_(t), w_(w), h_(h) {}
    std::string PlacementKey() const override { return "fmFileSave"; }
    int Left() const override { return l_; }
    int Top() const override { return t_; }
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    void SetLeft(int v) override { l_ = v, calls += "L"; }
    void SetTop(int v) override { t_ = v, calls += "T"; }
    void SetWidth(int v) override { w_ = v, calls += "W"; }
    void SetHeight(int v) override { h_ = v, calls += "H"; }
    std::string calls;
    int l_, t_, w_, h_;
};

class WindowPlacementTest : public ::testing::Test {
protected:
    TempFolder dir;
    IniFile ini{dir / "p.ini"};
    const Rect fallback = FallbackRect(1024, 768); // 5,0 - 1004,708: 999 x 708
    void Store(const std::string& value) {
        WriteFile(ini.Path(), "[LAST_Position]\nfmFileSave=" + value + "\n");
    }
};

TEST(LenientToInt, KeepsDigitsAndALeadingMinus) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {{"12a3", 123},
                 {"-40", -40},
                 {"4-0", 40},
                 {" -5", 5},
                 {"", 0},
                 {"abc", 0},
                 {"-", 0},
                 {"99999999999", 0},
                 {"2147483647", 2147483647}};
    for (const Case& c : cases)
        EXPECT_EQ(LenientToInt(c.text), c.expected) << c.text;
}

TEST_F(WindowPlacementTest, SaveWritesLeftTopWidthHeight) {
    FakeWindow w(277, 254, 636, 423);
    SaveWindowPlacement(ini, w);
    EXPECT_EQ(ini.ReadIniString("LAST_Position", "fmFileSave"), "277,254,636,423");
    FakeWindow back(1, 1, 1, 1);
    RestoreWindowPlacement(ini, back, fallback);
    EXPECT_EQ(back.calls, "TLWH");
    EXPECT_EQ((std::vector<int>{back.l_, back.t_, back.w_, back.h_}), (std::vector<int>{277, 254, 636, 423}));
}

TEST_F(WindowPlacementTest, AnyValueNotPositiveKeepsTheDesignedPlace) {
    for (const char* stored : {"0,10,500,400", "-1600,10,500,400", "10,10,abc,400"}) {
        Store(stored);
        FakeWindow w(277, 254, 636, 423);
        RestoreWindowPlacement(ini, w, fallback);
        EXPECT_EQ(w.calls, "") << stored;
    }
}

TEST_F(WindowPlacementTest, LenientItemsQuotesAndBlanks) {
    Store("\"12a3\" 40 ,500 400 extra");
    FakeWindow w(1, 1, 1, 1);
    RestoreWindowPlacement(ini, w, fallback);
    EXPECT_EQ((std::vector<int>{w.l_, w.t_, w.w_, w.h_}), (std::vector<int>{123, 40, 500, 400}));
}

TEST_F(WindowPlacementTest, FewerThanFourItemsUsesTheFallbackRule) {
    // Smaller than the fallback: only Top moves.
    Store("300,200");
    FakeWindow small(277, 254, 636, 423);
    RestoreWindowPlacement(ini, small, fallback);
    EXPECT_EQ(small.calls, "T");
    EXPECT_EQ((std::vector<int>{small.l_, small.t_, small.w_, small.h_}),
              (std::vector<int>{277, 0, 636, 423}));

    // Wider and taller than the fallback: pulled in on both axes.
    FakeWindow big(50, 60, 2000, 1000);
    RestoreWindowPlacement(ini, big, fallback);
    EXPECT_EQ((std::vector<int>{big.l_, big.t_, big.w_, big.h_}), (std::vector<int>{5, 0, 999, 708}));

    // Nothing stored at all behaves the same; exactly the fallback's size is left alone.
    IniFile empty(dir / "none.ini");
    FakeWindow exact(50, 60, 999, 708);
    RestoreWindowPlacement(empty, exact, fallback);
    EXPECT_EQ(exact.calls, "T");
}

} // namespace
