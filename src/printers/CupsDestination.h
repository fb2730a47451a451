#pragma once
// One print-server destination with its capability information, read when constructed and freed with
// the object: its paper list, trays, resolutions, copies and defaults in the printer platform's terms.

#include "printers/PrinterPlatform.h"

#include <cups/cups.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hozonix::printing {

// The input trays of the printer description the server keeps for a queue made from one: the default
// choice and, per media-source keyword, the tray's display text. Empty for other queues.
struct DescriptionSlots {
    std::string defaultChoice;
    std::vector<std::pair<std::string, std::string>> texts;
};
DescriptionSlots ReadDescriptionSlots(const std::string& name);

class CupsDestination {
public:
    // A copy of `dest` (from a destination list) or, with a name only, the server's destination of that
    // name. Valid() is false when the server does not know it.
    explicit CupsDestination(const cups_dest_t* dest);
    explicit CupsDestination(const std::string& name);
    ~CupsDestination();
    CupsDestination(const CupsDestination&) = delete;
    CupsDestination& operator=(const CupsDestination&) = delete;

    bool Valid() const { return dest_ != nullptr && info_ != nullptr; }

    std::vector<PaperEntry> Papers();
    std::vector<BinEntry> Bins();
    std::vector<Resolution> Resolutions();
    int MaxCopies();
    // The settings a job gets when it asks for nothing else.
    DeviceSettings Defaults();

private:
    void Load();
    std::string DefaultMedia();
    std::string DefaultSource(const std::vector<BinEntry>& bins);
    bool Supports(const char* option, const char* value = nullptr);
    int SupportedCount(const char* option);

    const DescriptionSlots& Slots();

    std::optional<DescriptionSlots> slots_;
    cups_dest_t* dest_ = nullptr;
    cups_dinfo_t* info_ = nullptr;
};
} // namespace hozonix::printing
