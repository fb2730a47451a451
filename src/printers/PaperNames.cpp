#include "printers/PaperNames.h"

#include "settings/CommaText.h"

#include <array>
#include <vector>

namespace hozonix::printing {

namespace {

struct NamedCode {
    int code;
    const char* name;
};

constexpr std::array<NamedCode, 28> kPaperTable{{
    {0, "Default"},     {1, "Letter"},       {2, "LetterSmall"}, {3, "Tabloid"}, {4, "Ledger"},
    {6, "Statement"},   {7, "Executive"},    {8, "A3"},          {9, "A4"},      {10, "A4Small"},
    {11, "A5"},         {12, "B4"},          {13, "B5"},         {14, "Folio"},  {15, "Quarto"},
    {16, "Paper10X14"}, {17, "Paper11X17"},  {18, "Note"},       {19, "Env9"},   {20, "Env10"},
    {21, "Env11"},      {22, "Env12"},       {23, "Env14"},      {24, "CSheet"}, {25, "DSheet"},
    {26, "ESheet"},     {43, "PostcardJap"}, {69, "Custom"},
}};

// Tested before the exact names, in this order: "A4Small" must come out as A4.
constexpr std::array<NamedCode, 6> kSubstringCodes{{
    {8, "A3"},
    {9, "A4"},
    {11, "A5"},
    {12, "B4"},
    {13, "B5"},
    {43, "PostcardJap"},
}};

constexpr const char* kBinNames =
    "First,Upper,Lower,Middle,Manual,Envelope,EnvManual,Auto,Tractor,SmallFormat,LargeFormat,LargeCapacity,"
    "Cassette,Last";

} // namespace

int PaperCodeFromName(const std::string& name) {
    if (name.empty())
        return 0;
    for (const auto& entry : kSubstringCodes) {
        if (name.find(entry.name) != std::string::npos)
            return entry.code;
    }
    for (const auto& entry : kPaperTable) {
        if (name == entry.name)
            return entry.code;
    }
    return 0;
}

std::string PaperNameFromCode(int code) {
    for (const auto& entry : kPaperTable) {
        if (entry.code == code)
            return entry.name;
    }
    return "Default";
}

std::string BinNameFromValue(int value) {
    static const std::vector<std::string> names = SplitCommaText(kBinNames);
    if (value < 0 || static_cast<std::size_t>(value) >= names.size())
        return "不明";
    return names[static_cast<std::size_t>(value)];
}

} // namespace hozonix::printing
