#include "printers/PrinterInfo.h"

#include "ScriptedPrinterPlatform.h"

#include <gtest/gtest.h>

#include <functional>

namespace hozonix::test {
namespace {

constexpr std::uint32_t H = kPrinterAttributeHidden;

// Runs `call` and returns the message of the error of type E it raises ("" when none or another type).
template <typename E> std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const E& e) {
        return e.what();
    } catch (...) {
        return "(another error)";
    }
    return "";
}

class PrinterInfoTest : public ::testing::Test {
protected:
    ScriptedPrinterPlatform platform;
};

TEST_F(PrinterInfoTest, EveryOperationNeedsAVisiblePrinter) {
    for (const auto& attributes :
         std::vector<std::vector<std::uint32_t>>{{}, {H}, {H, H | kPrinterAttributeDefault}}) {
        ScriptedPrinterPlatform p;
        for (std::size_t i = 0; i < attributes.size(); ++i)
            p.printers.push_back(SamplePrinter("P" + std::to_string(i), attributes[i]));
        PrinterInfo info(p);
        const std::vector<std::function<void()>> calls{
            [&] { info.CheckNoPrinter(); },     [&] { info.GetIndex(); },
            [&] { info.GetPaperSizeNumber(); }, [&] { info.GetPaperSizeNames(); },
            [&] { info.GetPaperSizeIndex(); },  [&] { info.GetBinNumber(); },
            [&] { info.Capabilities(); },
        };
        for (const auto& call : calls)
            EXPECT_EQ(MessageOf<NoPrinterError>(call), "TPrinterInfo.CheckNoPrinter: No Printer");
        EXPECT_FALSE(info.CachedIndex().has_value());
    }
}

TEST_F(PrinterInfoTest, IndexCountsOnlyVisiblePrinters) {
    struct Case {
        std::vector<std::uint32_t> attributes;
        int selected;
        int expected;
    };
    const std::vector<Case> cases{
        {{H, 0, 0}, 2, 1}, {{0, H, 0}, 2, 1}, {{0, 0, 0}, 2, 2},
        {{H, H, 0}, 2, 0}, {{0, 0, H}, 1, 1}, {{H, 0, H, 0}, 3, 1},
    };
    for (const auto& c : cases) {
        ScriptedPrinterPlatform p;
        for (std::size_t i = 0; i < c.attributes.size(); ++i)
            p.printers.push_back(SamplePrinter("P" + std::to_string(i), c.attributes[i]));
        p.index = c.selected;
        PrinterInfo info(p);
        EXPECT_EQ(info.GetIndex(), c.expected) << "selected " << c.selected;
    }
}

TEST_F(PrinterInfoTest, DefaultSelectionIsMinusOneWithoutAskingTheName) {
    platform.printers = {SamplePrinter("A", H), SamplePrinter("B", kPrinterAttributeDefault)};
    PrinterInfo info(platform);
    platform.deviceNameCalls = 0;
    EXPECT_EQ(info.GetIndex(), -1);
    EXPECT_EQ(platform.deviceNameCalls, 0);
}

TEST_F(PrinterInfoTest, HiddenSelectionAndUnknownNameAreErrors) {
    platform.printers = {SamplePrinter("A", H), SamplePrinter("B")};
    PrinterInfo info(platform);
    platform.index = 0;
    EXPECT_EQ(MessageOf<IllegalPrinterIndexError>([&] { info.GetIndex(); }),
              "TPrinterInfo.GetIndex: Printers.PrinterIndex is Illegal");

    // The printing system names a printer the snapshot does not hold: an inconsistency, not a printer
    // information error, so callers that catch those do not hide it.
    platform.index = 1;
    platform.deviceNameOverride = "b";
    const std::string message = MessageOf<AssertionFailedError>([&] { info.GetIndex(); });
    EXPECT_NE(message.find("アサートの?"), std::string::npos) << message;
    EXPECT_NE(message.find("PrinterInfo"), std::string::npos) << message;
    EXPECT_EQ(MessageOf<PrinterInfoError>([&] { info.GetIndex(); }), "(another error)");
}

TEST_F(PrinterInfoTest, PaperListsOfTheSelectedPrinter) {
    platform.printers = {SamplePrinter("A"), SamplePrinter("B")};
    platform.printers[1].papers = {{1, "Letter", "na_letter_8.5x11in"}, {11, "A5", "iso_a5_148x210mm"}};
    platform.printers[1].defaults.paperSize = 11;
    platform.printers[1].defaults.defaultSource = 4;
    platform.index = 1;
    PrinterInfo info(platform);
    EXPECT_EQ(info.GetPaperSizeNames(), (std::vector<std::string>{"Letter", "A5"}));
    EXPECT_EQ(info.GetPaperSizeNumber(), 11);
    EXPECT_EQ(info.GetPaperSizeIndex(), 1);
    EXPECT_EQ(info.GetBinNumber(), 4);
    EXPECT_EQ(info.BinNumbers(), (std::vector<std::uint16_t>{7, 4}));
    EXPECT_EQ(info.BinNames(), (std::vector<std::string>{"Automatic", "Manual Feed"}));
    EXPECT_EQ(info.MaxCopies(), 99);
    EXPECT_EQ(info.KnownFlags(), kKnownPapers | kKnownBins | kKnownResolutions | kKnownCopies);
}

TEST_F(PrinterInfoTest, MissingListsAndSettings) {
    ScriptedPrinter bare = SamplePrinter("A");
    bare.papers.clear();
    bare.bins.clear();
    bare.resolutions.clear();
    bare.maxCopies = 0;
    platform.printers = {bare};
    platform.index = 0;
    PrinterInfo info(platform);
    EXPECT_EQ(MessageOf<NoPrinterInfoError>([&] { info.GetPaperSizeNames(); }),
              "TPrinterInfo.GetPaperSizeNames: No Papersize Info Available");
    EXPECT_EQ(MessageOf<NoPrinterInfoError>([&] { info.GetPaperSizeIndex(); }),
              "TPrinterInfo.GetPaperSizeIndex: No Papersize Info Available");
    EXPECT_EQ(info.KnownFlags(), 0u);

    // Papers listed, but the current one is not among them.
    platform.printers[0].papers = {{1, "Letter", ""}};
    info.Reset();
    EXPECT_EQ(MessageOf<PaperSizeError>([&] { info.GetPaperSizeIndex(); }),
              "TPrinterInfo.GetPaperSizeIndex: Cannot Get Paper Index");

    // Neither paper size nor source can be chosen.
    platform.printers[0].defaults.fields = DeviceField::Orientation;
    platform.settings.reset();
    info.Reset();
    EXPECT_EQ(MessageOf<NotSupportedError>([&] { info.GetPaperSizeNumber(); }),
              "TPrinterInfo.GetPaperSizeNumber: PaperSize is not Supported");
    EXPECT_EQ(MessageOf<NotSupportedError>([&] { info.GetPaperSizeNames(); }),
              "TPrinterInfo.GetPaperSizeNames: PaperSize is not Supported");
    EXPECT_EQ(MessageOf<NotSupportedError>([&] { info.GetPaperSizeIndex(); }),
              "TPrinterInfo.GetPaperSizeIndex: PaperSize is not Supported");
    EXPECT_EQ(MessageOf<NotSupportedError>([&] { info.GetBinNumber(); }),
              "TPrinterInfo.GetBinNumber: Bin is not Supported");
}

TEST_F(PrinterInfoTest, CapabilitySetFollowsTheFieldMask) {
    const std::vector<std::pair<std::uint32_t, unsigned>> table{
        {0x1, 0},     {0x2, 1},      {0x4, 2},      {0x8, 3},       {0x10, 4},      {0x100, 5},
        {0x200, 6},   {0x400, 7},    {0x800, 8},    {0x1000, 9},    {0x2000, 10},   {0x4000, 11},
        {0x8000, 12}, {0x10000, 13}, {0x20000, 14}, {1u << 27, 15}, {1u << 28, 16},
    };
    platform.printers = {SamplePrinter("A")};
    PrinterInfo info(platform);
    for (const auto& [mask, bit] : table) {
        // Unlisted neighbours must not leak into the set.
        platform.printers[0].defaults.fields = mask | 0x40 | 0x80 | (1u << 26);
        platform.settings.reset();
        info.Reset();
        CapabilitySet expected;
        expected.set(bit);
        EXPECT_EQ(info.Capabilities(), expected) << std::hex << mask;
    }
    EXPECT_THROW(info.CheckSupport(32, "x"), NotSupportedError);
}

TEST_F(PrinterInfoTest, SettingsBlockIsBuiltOnDemandAndMustExist) {
    platform.printers = {SamplePrinter("A")};
    PrinterInfo info(platform);
    // The printer object has not built its settings yet: selecting it again does.
    EXPECT_EQ(info.GetPaperSizeNumber(), 9);
    EXPECT_EQ(platform.selections, 1);

    ScriptedPrinterPlatform broken;
    broken.printers = {SamplePrinter("A")};
    broken.neverBuildSettings = true;
    PrinterInfo info2(broken);
    const std::string message = MessageOf<AssertionFailedError>([&] { info2.GetBinNumber(); });
    EXPECT_NE(message.find("アサートの?"), std::string::npos) << message;
}

TEST_F(PrinterInfoTest, ListsAreReadOncePerSelectedPrinter) {
    platform.printers = {SamplePrinter("A"), SamplePrinter("B", kPrinterAttributeDefault)};
    platform.printers[1].papers = {{1, "Letter", ""}};
    PrinterInfo info(platform);
    // The default printer (-1) is selected: its lists are read and cached like any other's.
    EXPECT_EQ(info.GetPaperSizeNames(), (std::vector<std::string>{"Letter"}));
    info.GetPaperSizeNames();
    EXPECT_EQ(platform.paperQueries, 1);
    EXPECT_EQ(info.CachedIndex(), -1);

    platform.SetPrinterIndex(0);
    EXPECT_EQ(info.GetPaperSizeNames(), (std::vector<std::string>{"A4", "Letter", "Photo"}));
    EXPECT_EQ(platform.paperQueries, 2);
    // The settings copy stays that of the moment it was read until a reset.
    platform.settings->paperSize = 1;
    EXPECT_EQ(info.GetPaperSizeNumber(), 9);
    info.Reset();
    EXPECT_EQ(info.GetPaperSizeNumber(), 1);
    EXPECT_EQ(platform.paperQueries, 3);
}

TEST_F(PrinterInfoTest, PortsAreListedOnceInOrder) {
    platform.printers = {SamplePrinter("A"), SamplePrinter("B"), SamplePrinter("C")};
    platform.printers[0].port = "usb://x";
    platform.printers[1].port = "file:///y";
    platform.printers[2].port = "usb://x";
    PrinterInfo info(platform);
    EXPECT_EQ(info.Ports(), (std::vector<std::string>{"usb://x", "file:///y"}));
}

class RecordingWatch : public PrinterChangeWatch {
public:
    void Hook(std::function<void()> onChange) override { hooked = std::move(onChange); }
    void Unhook() override {
        hooked = nullptr;
        ++unhooks;
    }
    std::function<void()> hooked;
    int unhooks = 0;
};

TEST_F(PrinterInfoTest, ChangeWatch) {
    platform.printers = {SamplePrinter("A"), SamplePrinter("B")};
    RecordingWatch watch;
    int changes = 0;
    {
        PrinterInfo info(platform, &watch);
        info.OnChange = [&](PrinterInfo&) { ++changes; };
        platform.index = 1;
        info.GetPaperSizeNames();
        ASSERT_TRUE(watch.hooked);

        // Nothing changed: no notification, the printer object and the cache stay.
        watch.hooked();
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(platform.discards, 0);
        EXPECT_EQ(info.CachedIndex(), 1);

        // Only a port changed: notified, cache kept.
        platform.printers[1].port = "usb://new";
        watch.hooked();
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(platform.discards, 0);
        EXPECT_EQ(info.CachedIndex(), 1);
        watch.hooked();
        EXPECT_EQ(changes, 1);

        // A printer added, a name changing case, a printer hidden: each starts afresh.
        const std::vector<std::function<void()>> edits{
            [&] { platform.printers.push_back(SamplePrinter("C")); },
            [&] { platform.printers[0].name = "a"; },
            [&] { platform.printers[2].attributes = H; },
        };
        for (const auto& edit : edits) {
            platform.index = 1;
            info.GetPaperSizeNames();
            const int queries = platform.paperQueries;
            const int discards = platform.discards;
            edit();
            watch.hooked();
            EXPECT_EQ(platform.discards, discards + 1);
            EXPECT_FALSE(info.CachedIndex().has_value());
            EXPECT_EQ(info.Snapshot().Count(), static_cast<int>(platform.printers.size()));
            platform.index = 1;
            info.GetPaperSizeNames();
            EXPECT_EQ(platform.paperQueries, queries + 1);
            // Reported once only: the next broadcast finds nothing new.
            watch.hooked();
        }
        EXPECT_EQ(changes, 4);
    }
    EXPECT_EQ(watch.unhooks, 1);
    EXPECT_FALSE(watch.hooked);
}

} // namespace
} // namespace hozonix::test
