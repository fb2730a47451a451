#include "printers/CupsDestination.h"

#include "printers/MediaMapping.h"
#include "printers/PaperNames.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace hozonix::printing {

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
        // Borderless and other variants of one sheet show up as further entries: list each sheet once.
        const int code = PaperCodeForSize(size.width, size.length);
        const bool seen = std::any_of(papers.begin(), papers.end(), [&](const PaperEntry& p) {
            return (code != 0 && p.number == code) || p.media == size.media;
        });
        if (seen)
            continue;
        PaperEntry entry;
        entry.media = size.media;
        if (code != 0) {
            entry.number = static_cast<std::uint16_t>(code);
            entry.name = PaperNameFromCode(code);
        } else {
            entry.number = static_cast<std::uint16_t>(kFirstPrinterPaperNumber + i);
            const char* shown = cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, dest_, info_, 0, &size);
            entry.name = shown != nullptr ? shown : size.media;
        }
        papers.push_back(std::move(entry));
    }
    return papers;
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
        for (const auto& [slotKeyword, text] : Slots().texts) {
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

const DescriptionSlots& CupsDestination::Slots() {
    if (!slots_)
        slots_ = ReadDescriptionSlots(dest_->name);
    return *slots_;
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
    const std::string& slot = Slots().defaultChoice;
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

} // namespace

DescriptionSlots ReadDescriptionSlots(const std::string& name) {
    DescriptionSlots slots;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), &std::fclose);
    if (!file)
        return slots;
    const std::string resource = "/printers/" + name + ".ppd";
    if (cupsGetFd(CUPS_HTTP_DEFAULT, resource.c_str(), fileno(file.get())) != HTTP_STATUS_OK)
        return slots;
    std::rewind(file.get());
    static constexpr std::string_view kDefault = "*DefaultInputSlot:";
    static constexpr std::string_view kChoice = "*InputSlot ";
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
        const std::string line(buffer);
        if (line.starts_with(kDefault)) {
            slots.defaultChoice = Trim(line.substr(kDefault.size()));
        } else if (line.starts_with(kChoice)) {
            // *InputSlot Tray1/Tray 1: "code"
            const std::string entry = line.substr(kChoice.size(), line.find(':') - kChoice.size());
            const auto slash = entry.find('/');
            const std::string choice = Trim(entry.substr(0, slash));
            // Texts in the description's own encoding are shown only when they are plain ASCII.
            std::string text = slash != std::string::npos ? Trim(entry.substr(slash + 1)) : "";
            if (text.empty() || !IsAscii(text))
                text = choice;
            slots.texts.emplace_back(SourceKeywordForSlotChoice(choice), text);
        }
    }
    return slots;
}

} // namespace hozonix::printing
