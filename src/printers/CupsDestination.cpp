#include "printers/CupsDestination.h"

#include "printers/MediaMapping.h"
#include "printers/PaperNames.h"

#include <cups/pwg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace hozonix::printing {

namespace {

// Two sheets within half a millimetre of each other are one.
bool SameSheet(int width, int length, int otherWidth, int otherLength) {
    constexpr int kTolerance = 50;
    return std::abs(width - otherWidth) <= kTolerance && std::abs(length - otherLength) <= kTolerance;
}

} // namespace

CupsDestination::CupsDestination(const cups_dest_t* dest) {
    if (dest != nullptr && cupsCopyDest(const_cast<cups_dest_t*>(dest), 0, &dest_) == 1)
        Load();
}

CupsDestination::CupsDestination(const std::string& name) {
    dest_ = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
    Load();
}

CupsDestination::~CupsDestination() {
    if (info_ != nullptr)
        cupsFreeDestInfo(info_);
    if (dest_ != nullptr)
        cupsFreeDests(1, dest_);
}

void CupsDestination::Load() {
    if (dest_ != nullptr)
        info_ = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest_);
}

std::vector<PaperEntry> CupsDestination::Papers() {
    std::vector<PaperEntry> papers;
    if (!Valid())
        return papers;
    const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest_, info_, 0);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest_, info_, i, 0, &size) == 0)
            continue;
        const int width = std::min(size.width, size.length);
        const int length = std::max(size.width, size.length);
        // Borderless and other variants of one sheet show up as further entries: list each sheet once.
        const bool seen = std::any_of(papers.begin(), papers.end(), [&](const PaperEntry& p) {
            return SameSheet(p.width, p.length, width, length);
        });
        if (seen)
            continue;
        PaperEntry entry;
        entry.media = size.media;
        entry.width = width;
        entry.length = length;
        if (const int code = PaperCodeForSize(width, length); code != 0) {
            entry.number = static_cast<std::uint16_t>(code);
            entry.name = PaperNameFromCode(code);
        } else {
            entry.number = static_cast<std::uint16_t>(kFirstPrinterPaperNumber + i);
            entry.name = PaperName(size);
        }
        papers.push_back(std::move(entry));
    }
    return papers;
}

std::string CupsDestination::PaperName(cups_size_t& size) {
    const int width = std::min(size.width, size.length);
    const int length = std::max(size.width, size.length);
    // The description's plain size before its variants ("A4.Fullbleed").
    for (const bool variants : {false, true}) {
        for (const auto& page : Description().pageSizes) {
            const bool variant = page.choice.find('.') != std::string::npos;
            if (variant == variants && SameSheet(page.width, page.length, width, length))
                return page.text;
        }
    }
    if (const char* shown = cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, dest_, info_, 0, &size);
        shown != nullptr && std::strcmp(shown, size.media) != 0)
        return shown;
    if (const pwg_media_t* media = pwgMediaForPWG(size.media); media != nullptr && media->ppd != nullptr)
        return media->ppd;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f x %.1f mm", width / 100.0, length / 100.0);
    return text;
}

std::vector<BinEntry> CupsDestination::Bins() {
    std::vector<BinEntry> bins;
    if (!Valid())
        return bins;
    ipp_attribute_t* sources = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest_, info_, "media-source");
    const int count = sources != nullptr ? ippGetCount(sources) : 0;
    for (int i = 0; i < count; ++i) {
        const char* keyword = ippGetString(sources, i, nullptr);
        if (keyword == nullptr)
            continue;
        int number = BinNumberForSourceKeyword(keyword);
        const bool taken =
            std::any_of(bins.begin(), bins.end(), [&](const BinEntry& b) { return b.number == number; });
        if (number == 0 || taken)
            number = kFirstPrinterBinNumber + i;
        std::string name;
        for (const auto& [slotKeyword, text] : Description().slotTexts) {
            if (slotKeyword == keyword && name.empty())
                name = text;
        }
        if (name.empty()) {
            const char* shown =
                cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest_, info_, "media-source", keyword);
            name = shown != nullptr ? shown : keyword;
        }
        bins.push_back({static_cast<std::uint16_t>(number), name, keyword});
    }
    return bins;
}

const PrinterDescription& CupsDestination::Description() {
    if (!description_)
        description_ = ReadPrinterDescription(dest_->name);
    return *description_;
}

std::vector<Resolution> CupsDestination::Resolutions() {
    std::vector<Resolution> result;
    if (!Valid())
        return result;
    ipp_attribute_t* attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest_, info_, "printer-resolution");
    const int count = attr != nullptr && ippGetValueTag(attr) == IPP_TAG_RESOLUTION ? ippGetCount(attr) : 0;
    for (int i = 0; i < count; ++i) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        int x = ippGetResolution(attr, i, &y, &units);
        if (units == IPP_RES_PER_CM) {
            x = x * 254 / 100;
            y = y * 254 / 100;
        }
        result.push_back({x, y});
    }
    return result;
}

int CupsDestination::MaxCopies() {
    if (!Valid())
        return 0;
    ipp_attribute_t* attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest_, info_, "copies");
    if (attr == nullptr)
        return 0;
    if (ippGetValueTag(attr) == IPP_TAG_RANGE) {
        int upper = 0;
        ippGetRange(attr, 0, &upper);
        return upper;
    }
    return ippGetValueTag(attr) == IPP_TAG_INTEGER ? ippGetInteger(attr, 0) : 0;
}

bool CupsDestination::Supports(const char* option, const char* value) {
    ipp_attribute_t* attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest_, info_, option);
    if (attr == nullptr)
        return false;
    if (value == nullptr)
        return true;
    return ippContainsString(attr, value) != 0;
}

int CupsDestination::SupportedCount(const char* option) {
    ipp_attribute_t* attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest_, info_, option);
    return attr != nullptr ? ippGetCount(attr) : 0;
}

std::string CupsDestination::DefaultMedia() {
    if (const char* chosen = cupsGetOption("media", dest_->num_options, dest_->options))
        return chosen;
    ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest_, info_, "media");
    const char* media = attr != nullptr ? ippGetString(attr, 0, nullptr) : nullptr;
    return media != nullptr ? media : "";
}

std::string CupsDestination::DefaultSource(const std::vector<BinEntry>& bins) {
    const auto has = [&](const std::string& keyword) {
        return std::any_of(bins.begin(), bins.end(), [&](const BinEntry& b) { return b.keyword == keyword; });
    };
    if (const char* chosen = cupsGetOption("media-source", dest_->num_options, dest_->options);
        chosen != nullptr && has(chosen))
        return chosen;
    ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest_, info_, "media-source");
    const char* value = attr != nullptr ? ippGetString(attr, 0, nullptr) : nullptr;
    if (value != nullptr && has(value))
        return value;
    // Queues made from a printer description keep their default tray only there.
    const std::string& slot = Description().defaultSlot;
    if (!slot.empty() && has(SourceKeywordForSlotChoice(slot)))
        return SourceKeywordForSlotChoice(slot);
    if (has("auto"))
        return "auto";
    return bins.empty() ? "" : bins.front().keyword;
}

DeviceSettings CupsDestination::Defaults() {
    DeviceSettings settings;
    if (!Valid())
        return settings;
    const std::vector<PaperEntry> papers = Papers();
    const std::vector<BinEntry> bins = Bins();

    if (Supports("orientation-requested"))
        settings.fields |= DeviceField::Orientation;
    if (!papers.empty())
        settings.fields |= DeviceField::PaperSize | DeviceField::FormName;
    if (MaxCopies() > 1)
        settings.fields |= DeviceField::Copies;
    if (!bins.empty())
        settings.fields |= DeviceField::DefaultSource;
    if (Supports("print-color-mode", "color"))
        settings.fields |= DeviceField::Color;
    if (SupportedCount("sides") > 1)
        settings.fields |= DeviceField::Duplex;
    if (Supports("multiple-document-handling"))
        settings.fields |= DeviceField::Collate;

    settings.formName = DefaultMedia();
    auto paper = std::find_if(papers.begin(), papers.end(),
                              [&](const PaperEntry& p) { return p.media == settings.formName; });
    if (paper == papers.end()) {
        // The default may be spelt differently from the list (a user's "A4"): compare the sheet.
        cups_size_t size{};
        if (cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest_, info_, settings.formName.c_str(), 0, &size) !=
            0) {
            const int code = PaperCodeForSize(size.width, size.length);
            paper = std::find_if(papers.begin(), papers.end(), [&](const PaperEntry& p) {
                return p.media == size.media || (code != 0 && p.number == code);
            });
        }
    }
    if (paper != papers.end())
        settings.paperSize = static_cast<std::int16_t>(paper->number);

    const std::string source = DefaultSource(bins);
    for (const BinEntry& bin : bins) {
        if (bin.keyword == source)
            settings.defaultSource = static_cast<std::int16_t>(bin.number);
    }

    ipp_attribute_t* res = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest_, info_, "printer-resolution");
    if (res != nullptr && ippGetValueTag(res) == IPP_TAG_RESOLUTION) {
        settings.fields |= DeviceField::PrintQuality | DeviceField::YResolution;
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        settings.printQuality = static_cast<std::int16_t>(ippGetResolution(res, 0, &y, &units));
        settings.yResolution = static_cast<std::int16_t>(y);
    }
    return settings;
}

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    const auto last = s.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The choice and the text of an entry such as `*InputSlot Tray1/Tray 1: "code"`, and its quoted value;
// a text that is not plain ASCII (the description's own encoding) is replaced by the choice.
struct DescriptionEntry {
    std::string choice;
    std::string text;
    std::string value;
};

DescriptionEntry ParseEntry(const std::string& line, std::size_t keywordLength) {
    DescriptionEntry entry;
    const auto colon = line.find(':', keywordLength);
    const std::string head = line.substr(keywordLength, colon - keywordLength);
    const auto slash = head.find('/');
    entry.choice = Trim(head.substr(0, slash));
    entry.text = slash != std::string::npos ? Trim(head.substr(slash + 1)) : "";
    if (entry.text.empty() || !IsAscii(entry.text))
        entry.text = entry.choice;
    if (colon != std::string::npos) {
        const auto open = line.find('"', colon);
        const auto close = open != std::string::npos ? line.find('"', open + 1) : std::string::npos;
        if (close != std::string::npos)
            entry.value = line.substr(open + 1, close - open - 1);
    }
    return entry;
}

} // namespace

PrinterDescription ReadPrinterDescription(const std::string& name) {
    PrinterDescription description;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), &std::fclose);
    if (!file)
        return description;
    const std::string resource = "/printers/" + name + ".ppd";
    if (cupsGetFd(CUPS_HTTP_DEFAULT, resource.c_str(), fileno(file.get())) != HTTP_STATUS_OK)
        return description;
    std::rewind(file.get());
    static constexpr std::string_view kDefaultSlot = "*DefaultInputSlot:";
    static constexpr std::string_view kSlot = "*InputSlot ";
    static constexpr std::string_view kDimension = "*PaperDimension ";
    constexpr double kHundredthsPerPoint = 2540.0 / 72.0;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
        const std::string line(buffer);
        if (line.starts_with(kDefaultSlot)) {
            description.defaultSlot = Trim(line.substr(kDefaultSlot.size()));
        } else if (line.starts_with(kSlot)) {
            const DescriptionEntry entry = ParseEntry(line, kSlot.size());
            description.slotTexts.emplace_back(SourceKeywordForSlotChoice(entry.choice), entry.text);
        } else if (line.starts_with(kDimension)) {
            // *PaperDimension Legal/US Legal: "612 1008", in points
            const DescriptionEntry entry = ParseEntry(line, kDimension.size());
            double w = 0, h = 0;
            if (std::sscanf(entry.value.c_str(), "%lf %lf", &w, &h) == 2 && w > 0 && h > 0) {
                const int a = static_cast<int>(std::lround(w * kHundredthsPerPoint));
                const int b = static_cast<int>(std::lround(h * kHundredthsPerPoint));
                description.pageSizes.push_back({entry.choice, entry.text, std::min(a, b), std::max(a, b)});
            }
        }
    }
    return description;
}

} // namespace hozonix::printing
