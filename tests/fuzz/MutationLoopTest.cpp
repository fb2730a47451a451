// A plain, deterministic mutation fuzzer run inside the test suite: real saved reports and settings
// files, mutated a bounded number of times, each through the same checks as the libFuzzer targets.
// HOZONIX_FUZZ_ITERATIONS runs longer; HOZONIX_FUZZ_CORPUS names a folder to write the seeds into, as a
// starting corpus for libFuzzer.

#include "report/RepFormat.h"

#include "FuzzTargets.h"
#include "SampleListReport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace hozonix::test {
namespace {

constexpr long kDefaultIterations = 4000;
constexpr std::size_t kHeaderBytes = 24;

long Iterations(long fallback) {
    const char* text = std::getenv("HOZONIX_FUZZ_ITERATIONS");
    return text != nullptr && std::atol(text) > 0 ? std::atol(text) : fallback;
}

// Written with the leading byte by which the libFuzzer target tells the kinds of input apart.
void KeepSeeds(const char* name, char kind, const std::vector<std::string>& seeds) {
    const char* folder = std::getenv("HOZONIX_FUZZ_CORPUS");
    if (folder == nullptr)
        return;
    for (std::size_t i = 0; i < seeds.size(); ++i)
        WriteFile(std::string(folder) + "/" + name + std::to_string(i), kind + seeds[i]);
}

// Byte-level mutations with a bias towards the values that break parsers: boundaries of the integer
// widths, special doubles, lengths and counts.
class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    std::string Mutate(std::string data, const std::vector<std::string>& others) {
        const int rounds = 1 + Below(4);
        for (int r = 0; r < rounds; ++r)
            MutateOnce(data, others);
        return data;
    }

private:
    std::size_t Below(std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    void MutateOnce(std::string& data, const std::vector<std::string>& others) {
        static const std::vector<std::string> interesting = {
            std::string("\x00\x00\x00\x00", 4),
            "\xFF\xFF\xFF\xFF",
            "\x7F\xFF\xFF\xFF",
            "\x80\x00\x00\x00",
            std::string("\x00\x00\x00\x01", 4),
            std::string("\x7F\xF8\x00\x00\x00\x00\x00\x00", 8), // NaN
            std::string("\x7F\xF0\x00\x00\x00\x00\x00\x00", 8), // +inf
            std::string("\x40\xC3\x88\x00\x00\x00\x00\x00", 8), // 10000
            std::string("\xC0\x59\x00\x00\x00\x00\x00\x00", 8), // -100
            "\xE3\x81",
            "\xC0\x80",
            "[",
            "]",
            "=",
            "\r\n",
            "\n",
            "\xEF\xBB\xBF"};
        const std::size_t at = Below(data.size() + 1);
        switch (Below(7)) {
        case 0: // flip a bit
            if (!data.empty())
                data[Below(data.size())] ^= static_cast<char>(1u << Below(8));
            break;
        case 1: // set a byte
            if (!data.empty())
                data[Below(data.size())] = static_cast<char>(Below(256));
            break;
        case 2: { // overwrite with an interesting value
            const std::string& v = interesting[Below(interesting.size())];
            if (at + v.size() <= data.size())
                data.replace(at, v.size(), v);
            break;
        }
        case 3: // insert an interesting value
            data.insert(at, interesting[Below(interesting.size())]);
            break;
        case 4: // cut a range
            data.erase(at, Below(64) + 1);
            break;
        case 5: { // repeat a range
            const std::size_t size =
                std::min<std::size_t>(Below(256) + 1, data.size() - std::min(at, data.size()));
            data.insert(at, data.substr(at, size));
            break;
        }
        case 6: { // splice in part of another seed
            const std::string& other = others[Below(others.size())];
            const std::size_t from = Below(other.size());
            data.insert(at, other.substr(from, Below(512) + 1));
            break;
        }
        }
    }

    std::mt19937 random_;
};

// Reports of one page, of several with a title band, landscape, in columns: saved as the program saves
// them.
std::vector<std::string> SavedReports() {
    std::vector<std::string> seeds;
    TempFolder dir;
    for (int variant = 0; variant < 3; ++variant) {
        SampleListReport form;
        for (int i = 0; i < 10 + variant * 60; ++i)
            form.lines << QStringLiteral("行%1 /home/利用者/書類/報告書 %1.txt").arg(i);
        if (variant == 1)
            form.report.SetOrientation(report::Orientation::Landscape);
        if (variant == 2)
            form.report.SetCustomPaper(100, 148);
        report::PageStore store;
        form.report.Generate(store, false);
        store.Save(dir / "seed.REP");
        seeds.push_back(ReadFile(dir / "seed.REP"));
    }
    return seeds;
}

TEST(MutationFuzzTest, ReportLoaderSurvivesMutatedSavedReports) {
    const std::vector<std::string> seeds = SavedReports();
    KeepSeeds("report-file-", '\x01', seeds);
    std::vector<std::string> bodies;
    for (const std::string& s : seeds) {
        ASSERT_GT(s.size(), kHeaderBytes);
        bodies.push_back(s.substr(kHeaderBytes));
        // The seeds themselves are accepted: the loop starts from real files.
        EXPECT_NO_THROW(report::DecodeRep(s));
    }
    KeepSeeds("report-body-", '\x00', bodies);
    Mutator mutator(0x5EED);
    const long iterations = Iterations(kDefaultIterations);
    const auto start = std::chrono::steady_clock::now();
    long accepted = 0;
    for (long i = 0; i < iterations; ++i) {
        const std::size_t pick = static_cast<std::size_t>(i) % seeds.size();
        // Mostly the body behind a valid seal, so that mutations reach the field checks; now and then
        // the whole file, header included.
        const bool ok = i % 8 == 0 ? FuzzReportFile(mutator.Mutate(seeds[pick], seeds), false)
                                   : FuzzReportFile(mutator.Mutate(bodies[pick], bodies), true);
        accepted += ok ? 1 : 0;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("report loader: %ld executions in %.1f s, %ld accepted and drawn\n", iterations, seconds,
                accepted);
    // Some mutations (of text, of coordinates within bounds) leave a valid file: the drawing is reached.
    EXPECT_GT(accepted, iterations / 100);
}

TEST(MutationFuzzTest, SettingsParserSurvivesMutatedSettingsFiles) {
    const std::vector<std::string> seeds = {
        "[File_Action]\r\nMAX=2\r\nID_01=/src>>/dst>>.tmp,.bak<</src/cache\r\nNAME_01=書類\r\n"
        "ID_02=/a>>/b>><<\r\nNAME_02=\"  写真  "
        "\"\r\n\r\n[fmFileSave]\r\nLAST_INDEX=0x1\r\nSAVE_ALL=書類,写真\r\n",
        "\xEF\xBB\xBF; comment\n[LAST_UpDateTime]\n書類=2026/01/01 00:00:00\n[file_action]\nMAX=-1\n"
        "# hash=1\nno equals here\n  [ spaced ]  \n key = value \n[unterminated\nk=v",
        "[A]\nk=1\n[a]\nk=2\nK=3\n=empty key\n[]\nx=y\n\n\n\r\r\n[B]\nlast=no newline"};
    KeepSeeds("settings-", '\x02', seeds);
    Mutator mutator(0x1417);
    const long iterations = Iterations(kDefaultIterations * 2);
    for (long i = 0; i < iterations; ++i)
        FuzzSettingsFile(mutator.Mutate(seeds[static_cast<std::size_t>(i) % seeds.size()], seeds));
    std::printf("settings parser: %ld executions\n", iterations);
}

} // namespace
} // namespace hozonix::test
