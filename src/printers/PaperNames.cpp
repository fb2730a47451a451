#include "printers/PaperNames.h"

#include "settings/CommaText.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>
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

struct NamedSheet {
    int width;
    int length;
    const char* name;
};

// The sheets a Japanese office prints on, and the American ones its printers offer.
constexpr std::array<NamedSheet, 26> kJapaneseSheets{{
    {29700, 42000, "A3"},           {21000, 29700, "A4"},
    {14800, 21000, "A5"},           {10500, 14800, "A6"},
    {25700, 36400, "B4 (JIS)"},     {18200, 25700, "B5 (JIS)"},
    {12800, 18200, "B6 (JIS)"},     {25000, 35300, "B4 (ISO)"},
    {17600, 25000, "B5 (ISO)"},     {10000, 14800, "はがき"},
    {14800, 20000, "往復はがき"},   {21590, 27940, "レター"},
    {21590, 35560, "リーガル"},     {18415, 26670, "エグゼクティブ"},
    {27940, 43180, "タブロイド"},   {13970, 21590, "ステートメント"},
    {12000, 23500, "封筒 長形3号"}, {9000, 20500, "封筒 長形4号"},
    {24000, 33200, "封筒 角形2号"}, {10478, 24130, "封筒 #10"},
    {11000, 22000, "封筒 DL"},      {16200, 22900, "封筒 C5"},
    {11400, 16200, "封筒 C6"},      {9843, 19050, "封筒 モナーク"},
    {22900, 32400, "封筒 C4"},      {21600, 27700, "封筒 角形3号"},
}};

// Tray names as printer drivers give them in English, and their common Japanese names.
struct NamedTray {
    const char* english;
    const char* japanese;
};
constexpr NamedTray kJapaneseTrays[] = {
    {"printer default", "プリンタの既定"},
    {"default", "プリンタの既定"},
    {"auto", "自動選択"},
    {"auto select", "自動選択"},
    {"automatically select", "自動選択"},
    {"automatic", "自動選択"},
    {"manual", "手差し"},
    {"manual feed", "手差し"},
    {"manual feeder", "手差し"},
    {"multi-purpose tray", "手差しトレイ"},
    {"multipurpose tray", "手差しトレイ"},
    {"mp tray", "手差しトレイ"},
    {"bypass tray", "手差しトレイ"},
    {"envelope", "封筒"},
    {"envelope feed", "封筒フィーダー"},
    {"envelope feeder", "封筒フィーダー"},
    {"upper tray", "上段トレイ"},
    {"middle tray", "中段トレイ"},
    {"lower tray", "下段トレイ"},
    {"main tray", "メイントレイ"},
    {"large capacity", "大容量トレイ"},
    {"large capacity tray", "大容量トレイ"},
    {"cassette", "カセット"},
    {"tractor", "トラクター"},
};

// Printer descriptions give sizes in whole points: a sheet may come out most of a millimetre off.
constexpr int kNameTolerance = 100;

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

std::string JapanesePaperName(int width, int length) {
    if (width > length)
        std::swap(width, length);
    for (const NamedSheet& sheet : kJapaneseSheets) {
        if (std::abs(width - sheet.width) <= kNameTolerance &&
            std::abs(length - sheet.length) <= kNameTolerance)
            return sheet.name;
    }
    return {};
}

std::string JapaneseTrayName(const std::string& name) {
    std::string lower;
    for (const char c : name)
        lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    for (const NamedTray& tray : kJapaneseTrays) {
        if (lower == tray.english)
            return tray.japanese;
    }
    // "Tray 1", "Tray1", "Cassette 2" ...: the number kept.
    for (const auto& [prefix, japanese] : {std::pair{"tray", "トレイ"}, std::pair{"cassette", "カセット"}}) {
        const std::size_t length = std::string_view(prefix).size();
        if (lower.compare(0, length, prefix) != 0)
            continue;
        std::size_t at = length;
        while (at < lower.size() && lower[at] == ' ')
            ++at;
        const std::string number = lower.substr(at);
        if (!number.empty() && number.size() <= 3 &&
            number.find_first_not_of("0123456789") == std::string::npos)
            return japanese + number;
    }
    return name;
}

std::string BinNameFromValue(int value) {
    static const std::vector<std::string> names = SplitCommaText(kBinNames);
    if (value < 0 || static_cast<std::size_t>(value) >= names.size())
        return "不明";
    return names[static_cast<std::size_t>(value)];
}

} // namespace hozonix::printing
