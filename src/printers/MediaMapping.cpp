#include "printers/MediaMapping.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace hozonix::printing {

namespace {

struct CodeSize {
    int code;
    PaperDimensions size;
};

// Codes that share their sheet with another (Ledger, LetterSmall, A4Small, Paper11X17, Note) come last,
// so a sheet maps to its plain code; they are here for PaperSizeOfCode.
constexpr std::array<CodeSize, 26> kSizes{{
    {1, {21590, 27940}},  {3, {27940, 43180}},  {6, {13970, 21590}},  {7, {18415, 26670}},
    {8, {29700, 42000}},  {9, {21000, 29700}},  {11, {14800, 21000}}, {12, {25700, 36400}},
    {13, {18200, 25700}}, {14, {21590, 33020}}, {15, {21500, 27500}}, {16, {25400, 35560}},
    {19, {9843, 22543}},  {20, {10478, 24130}}, {21, {11430, 26353}}, {22, {12065, 27940}},
    {23, {12700, 29210}}, {24, {43180, 55880}}, {25, {55880, 86360}}, {26, {86360, 111760}},
    {43, {10000, 14800}}, {4, {27940, 43180}},  {2, {21590, 27940}},  {10, {21000, 29700}},
    {17, {27940, 43180}}, {18, {21590, 27940}},
}};

constexpr int kTolerance = 50;

bool Near(int a, int b) {
    return std::abs(a - b) <= kTolerance;
}

constexpr std::array<std::pair<const char*, int>, 11> kSourceNumbers{{
    {"top", 1},
    {"main", 1},
    {"bottom", 2},
    {"middle", 3},
    {"manual", 4},
    {"envelope", 5},
    {"manual-envelope", 6},
    {"auto", 7},
    {"tractor", 8},
    {"large-capacity", 11},
    {"cassette", 14},
}};

constexpr std::array<std::pair<const char*, const char*>, 9> kSlotChoices{{
    {"Default", "auto"},
    {"Auto", "auto"},
    {"AutoSelect", "auto"},
    {"Upper", "top"},
    {"Lower", "bottom"},
    {"Middle", "middle"},
    {"Manual", "manual"},
    {"ManualFeed", "manual"},
    {"LargeCapacity", "large-capacity"},
}};

} // namespace

int PaperCodeForSize(int width, int length) {
    if (width > length)
        std::swap(width, length);
    for (const auto& entry : kSizes) {
        if (Near(width, entry.size.width) && Near(length, entry.size.length))
            return entry.code;
    }
    return 0;
}

std::optional<PaperDimensions> PaperSizeOfCode(int code) {
    for (const auto& entry : kSizes) {
        if (entry.code == code)
            return entry.size;
    }
    return std::nullopt;
}

int LargestPaperLength() {
    int largest = 0;
    for (const auto& entry : kSizes)
        largest = std::max({largest, entry.size.width, entry.size.length});
    return largest;
}

int BinNumberForSourceKeyword(const std::string& keyword) {
    for (const auto& [name, number] : kSourceNumbers) {
        if (keyword == name)
            return number;
    }
    return 0;
}

std::string SourceKeywordForSlotChoice(const std::string& choice) {
    for (const auto& [name, keyword] : kSlotChoices) {
        if (choice == name)
            return keyword;
    }
    std::string out;
    for (std::size_t i = 0; i < choice.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(choice[i]);
        if (i > 0) {
            const unsigned char prev = static_cast<unsigned char>(choice[i - 1]);
            const bool digitEdge = std::isdigit(prev) != 0 && std::isalpha(c) != 0 && std::isupper(c) != 0;
            const bool letterToDigit = std::isalpha(prev) != 0 && std::isdigit(c) != 0;
            const bool caseEdge = std::islower(prev) != 0 && std::isupper(c) != 0;
            if (digitEdge || letterToDigit || caseEdge)
                out += '-';
        }
        out += (c == '_' || c == ' ') ? '-' : static_cast<char>(std::tolower(c));
    }
    return out;
}

} // namespace hozonix::printing
