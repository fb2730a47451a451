// The print-server layer against a private scheduler with three queues made from models that ship with
// the server: Alpha (laser, A4, second tray by default), Beta (PostScript, Letter, the default
// destination) and Gamma (PDF, A4, trays with names of its own, second tray by default).

#include "printers/CupsPrinterPlatform.h"
#include "preview/PollingPrinterWatch.h"
#include "printers/PrinterInfo.h"

#include "CupsTestServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

namespace hozonix::printing {
namespace {

using test::CupsTestServer;

class CupsPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        try {
            auto s = std::make_unique<CupsTestServer>();
            s->AddQueue("Alpha", "drv:///sample.drv/laserjet.ppd",
                        {"-o", "PageSize=A4", "-o", "InputSlot=Tray2"});
            s->AddQueue("Beta", "drv:///sample.drv/generic.ppd");
            s->AddQueue("Gamma", "lsb/usr/cupsfilters/Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd",
                        {"-o", "InputSlot=2ndTray"});
            s->SetDefault("Beta");
            server = s.release();
        } catch (const std::exception& e) {
            startError = e.what();
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override { ASSERT_NE(server, nullptr) << startError; }

    static const PaperEntry* PaperNamed(const std::vector<PaperEntry>& papers, const std::string& name) {
        auto it =
            std::find_if(papers.begin(), papers.end(), [&](const PaperEntry& p) { return p.name == name; });
        return it != papers.end() ? &*it : nullptr;
    }

    static CupsTestServer* server;
    static std::string startError;
    CupsPrinterPlatform platform;
};

CupsTestServer* CupsPlatformTest::server = nullptr;
std::string CupsPlatformTest::startError;

std::vector<std::string> Names(const std::vector<PrinterRecord>& records) {
    std::vector<std::string> names;
    for (const auto& r : records)
        names.push_back(r.name);
    return names;
}

TEST_F(CupsPlatformTest, PrintersWithDefaultAndHiddenFlags) {
    auto records = platform.EnumeratePrinters();
    ASSERT_EQ(Names(records), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(records[1].attributes & kPrinterAttributeDefault, kPrinterAttributeDefault);
    for (const auto& r : records)
        EXPECT_EQ(r.attributes & kPrinterAttributeHidden, 0u) << r.name;

    server->Reject("Gamma");
    records = platform.EnumeratePrinters();
    server->Accept("Gamma");
    EXPECT_EQ(records[2].attributes & kPrinterAttributeHidden, kPrinterAttributeHidden);
    EXPECT_EQ(records[0].attributes & kPrinterAttributeHidden, 0u);
}

TEST_F(CupsPlatformTest, PaperListsMapToCodes) {
    const std::vector<std::pair<std::string, int>> alpha{
        {"Letter", 1}, {"Executive", 7}, {"Tabloid", 3}, {"A3", 8},
        {"A4", 9},     {"A5", 11},       {"B5", 13},     {"Env10", 20},
    };
    const auto papers = platform.Papers("Alpha");
    for (const auto& [name, code] : alpha) {
        const PaperEntry* p = PaperNamed(papers, name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->number, code) << name;
    }
    EXPECT_EQ(PaperNamed(papers, "A4")->media, "iso_a4_210x297mm");
    // Sizes without a code (Legal, ISO B5, C5, DL, Monarch) get printer numbers and the server's names.
    int own = 0;
    for (const auto& p : papers) {
        if (p.number >= 256) {
            ++own;
            EXPECT_FALSE(p.name.empty());
        }
        EXPECT_EQ(std::count_if(papers.begin(), papers.end(),
                                [&](const PaperEntry& q) { return q.number == p.number; }),
                  1)
            << p.name;
    }
    EXPECT_EQ(own, 5);
    EXPECT_EQ(papers.size(), 13u);

    // Each sheet once, with its size, under the printer's text rather than the server's keyword; a
    // borderless variant is the same sheet.
    server->AddQueue("Borderless", "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd");
    struct Remove {
        ~Remove() { server->RemoveQueue("Borderless"); }
    } remove;
    for (const char* printer : {"Alpha", "Gamma", "Borderless"}) {
        const auto list = platform.Papers(printer);
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_GT(list[i].width, 0) << list[i].name;
            EXPECT_GE(list[i].length, list[i].width) << list[i].name;
            EXPECT_EQ(list[i].name.find('_'), std::string::npos) << list[i].name;
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(std::abs(list[i].width - list[j].width) < 100 &&
                             std::abs(list[i].length - list[j].length) < 100)
                    << list[i].name << " and " << list[j].name;
        }
    }
    EXPECT_EQ(PaperNamed(papers, "US Legal")->width, 21590);
    EXPECT_NE(PaperNamed(platform.Papers("Borderless"), "ISO B5"), nullptr);
    const auto gamma = platform.Papers("Gamma");
    ASSERT_NE(PaperNamed(gamma, "Folio"), nullptr);
    EXPECT_EQ(PaperNamed(gamma, "Folio")->number, 14);
    EXPECT_EQ(PaperNamed(gamma, "A3"), nullptr);
    EXPECT_TRUE(platform.Papers("NoSuchPrinter").empty());
}

TEST_F(CupsPlatformTest, TraysAreBins) {
    struct Expected {
        std::string keyword;
        int number;
    };
    const std::vector<std::pair<std::string, std::vector<Expected>>> table{
        {"Alpha",
         {{"auto", 7},
          {"tray-1", 257},
          {"tray-2", 258},
          {"tray-3", 259},
          {"tray-4", 260},
          {"manual", 4},
          {"envelope", 5}}},
        {"Beta", {{"auto", 7}, {"top", 1}, {"manual", 4}}},
        {"Gamma", {{"auto", 7}, {"1st-tray", 257}, {"2nd-tray", 258}, {"bypass-tray", 259}}},
    };
    for (const auto& [printer, expected] : table) {
        const auto bins = platform.Bins(printer);
        ASSERT_EQ(bins.size(), expected.size()) << printer;
        for (std::size_t i = 0; i < bins.size(); ++i) {
            EXPECT_EQ(bins[i].keyword, expected[i].keyword) << printer;
            EXPECT_EQ(bins[i].number, expected[i].number) << printer << " " << bins[i].keyword;
            EXPECT_FALSE(bins[i].name.empty());
        }
    }
    // Tray names come from the queue's printer description.
    EXPECT_EQ(platform.Bins("Alpha")[2].name, "Tray 2");
    EXPECT_EQ(platform.Bins("Beta")[1].name, "Cassette");
    EXPECT_EQ(platform.Bins("Gamma")[3].name, "Manual Feeder");
}

TEST_F(CupsPlatformTest, DefaultsResolutionsAndCopies) {
    struct Expected {
        std::string printer;
        int paper;
        std::string media;
        int source;
    };
    for (const auto& e : std::vector<Expected>{{"Alpha", 9, "iso_a4_210x297mm", 258},
                                               {"Beta", 1, "na_letter_8.5x11in", 7},
                                               {"Gamma", 9, "iso_a4_210x297mm", 258}}) {
        const DeviceSettings s = platform.DefaultSettings(e.printer);
        EXPECT_EQ(s.paperSize, e.paper) << e.printer;
        EXPECT_EQ(s.formName, e.media) << e.printer;
        EXPECT_EQ(s.defaultSource, e.source) << e.printer;
        EXPECT_EQ(s.fields & (DeviceField::PaperSize | DeviceField::DefaultSource | DeviceField::Copies),
                  DeviceField::PaperSize | DeviceField::DefaultSource | DeviceField::Copies)
            << e.printer;
    }
    EXPECT_EQ(platform.DefaultSettings("Alpha").printQuality, 300);
    const auto res = platform.Resolutions("Alpha");
    ASSERT_EQ(res.size(), 3u);
    EXPECT_EQ(res[0].x, 150);
    EXPECT_EQ(res[2].y, 600);
    EXPECT_EQ(platform.MaxCopies("Beta"), 9999);
}

TEST_F(CupsPlatformTest, PortsAreDeviceUris) {
    EXPECT_EQ(platform.EnumeratePorts(), (std::vector<std::string>{"file://" + server->OutputPath("Alpha"),
                                                                   "file://" + server->OutputPath("Beta"),
                                                                   "file://" + server->OutputPath("Gamma")}));
}

TEST_F(CupsPlatformTest, PrinterInfoOnTheServer) {
    PrinterInfo info(platform);
    // The start selects the server's default destination.
    EXPECT_EQ(info.GetIndex(), -1);
    EXPECT_EQ(platform.DeviceName(), "Beta");
    EXPECT_EQ(info.GetPaperSizeNames().at(static_cast<std::size_t>(info.GetPaperSizeIndex())), "Letter");
    EXPECT_EQ(info.GetBinNumber(), 7);
    EXPECT_EQ(info.MaxCopies(), 9999);

    platform.SetPrinterIndex(0);
    info.Reset();
    EXPECT_EQ(info.GetIndex(), 0);
    EXPECT_EQ(info.GetPaperSizeNames().at(static_cast<std::size_t>(info.GetPaperSizeIndex())), "A4");
    EXPECT_EQ(info.GetBinNumber(), 258);
    EXPECT_EQ(info.KnownFlags(), kKnownPapers | kKnownBins | kKnownResolutions | kKnownCopies);
}

TEST_F(CupsPlatformTest, RejectingFirstPrinterShiftsIndex) {
    server->Reject("Alpha");
    struct Restore {
        ~Restore() { server->Accept("Alpha"); }
    } restore;
    PrinterInfo info(platform);
    platform.SetPrinterIndex(2);
    EXPECT_EQ(info.GetIndex(), 1);
    platform.SetPrinterIndex(0);
    EXPECT_THROW(info.GetIndex(), IllegalPrinterIndexError);
}

TEST_F(CupsPlatformTest, WatchSeesAnAddedPrinter) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    preview::PollingPrinterWatch watch(std::chrono::milliseconds(50));
    PrinterInfo info(platform, &watch);
    int changes = 0;
    info.OnChange = [&](PrinterInfo&) { ++changes; };
    platform.SetPrinterIndex(2);
    info.GetPaperSizeNames();

    // A few quiet rounds first: an unchanged server reports nothing.
    const auto spin = [&](std::chrono::milliseconds span, const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (!done() && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    };
    spin(std::chrono::milliseconds(300), [] { return false; });
    EXPECT_EQ(changes, 0);

    server->AddQueue("Delta", "drv:///sample.drv/generic.ppd");
    spin(std::chrono::seconds(10), [&] { return changes > 0; });
    server->RemoveQueue("Delta");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Names(platform.EnumeratePrinters()).size(), 3u);
    ASSERT_EQ(info.Snapshot().Count(), 4);
    EXPECT_EQ(info.Snapshot().Name(2), "Delta");
    // The printer object started afresh on the default destination.
    EXPECT_EQ(platform.PrinterIndex(), -1);
    EXPECT_FALSE(info.CachedIndex().has_value());
}

TEST_F(CupsPlatformTest, FixturePrintsToFiles) {
    const std::string input = server->Folder() + "/job.txt";
    std::ofstream(input) << "Hozonix\n";
    std::string output;
    ASSERT_EQ(server->Run({"lp", "-d", "Gamma", input}, &output), 0) << output;
    ASSERT_TRUE(server->WaitForJobs());
    std::ifstream printed(server->OutputPath("Gamma"), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(printed)), std::istreambuf_iterator<char>());
    EXPECT_NE(content.find("%PDF"), std::string::npos);
}

} // namespace
} // namespace hozonix::printing
