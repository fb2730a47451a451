#include "PaperSizes.h"

namespace hozonix::report {

namespace {

struct Entry {
    int code;
    SheetSize size;
};

constexpr double kInch = 25.4;

// B4 and B5 are the Japanese sizes, as printed on Japanese paper packs.
constexpr Entry kSheets[] = {
    {0, {210, 297}},
    {1, {8.5 * kInch, 11 * kInch}},
    {2, {8.5 * kInch, 11 * kInch}},
    {3, {11 * kInch, 17 * kInch}},
    {4, {11 * kInch, 17 * kInch}}, // used landscape
    {6, {5.5 * kInch, 8.5 * kInch}},
    {7, {7.25 * kInch, 10.5 * kInch}},
    {8, {297, 420}},
    {9, {210, 297}},
    {10, {210, 297}},
    {11, {148, 210}},
    {12, {257, 364}},
    {13, {182, 257}},
    {14, {8.5 * kInch, 13 * kInch}},
    {15, {215, 275}},
    {16, {10 * kInch, 14 * kInch}},
    {17, {11 * kInch, 17 * kInch}},
    {18, {8.5 * kInch, 11 * kInch}},
    {19, {3.875 * kInch, 8.875 * kInch}},
    {20, {4.125 * kInch, 9.5 * kInch}},
    {21, {4.5 * kInch, 10.375 * kInch}},
    {22, {4.75 * kInch, 11 * kInch}},
    {23, {5 * kInch, 11.5 * kInch}},
    {24, {17 * kInch, 22 * kInch}},
    {25, {22 * kInch, 34 * kInch}},
    {26, {34 * kInch, 44 * kInch}},
    {43, {100, 148}},
};

} // namespace

std::optional<SheetSize> SheetSizeOfPaper(int code) {
    for (const Entry& e : kSheets) {
        if (e.code == code)
            return e.size;
    }
    return std::nullopt;
}

} // namespace hozonix::report
