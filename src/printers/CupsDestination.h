#pragma once
// One print-server destination with its capability information, read when constructed and freed with
// the object: its paper list, trays, resolutions, copies and defaults in the printer platform's terms.
//
// The paper list holds each sheet once (a borderless variant is the same sheet); a sheet of a known paper
// code carries the code's name, any other the printer's own text for it: the printer description's, the
// server's, the standard name of the size, or else its dimensions.

#include "printers/PrinterPlatform.h"

#include <cups/cups.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hozonix::printing {

// What the printer description the server keeps for a queue made from one tells beyond the server's
// attributes: the default input tray, each tray's display text by media-source keyword, and each page
// size's display text and sheet. Empty for other queues.
struct PrinterDescription {
    struct PageSize {
        std::string choice; // "Legal", "A4.Fullbleed"
        std::string text;   // "US Legal"
        int width;          // hundredths of a millimetre, portrait
        int length;
    };
    std::string defaultSlot;
    std::vector<std::pair<std::string, std::string>> slotTexts;
    std::vector<PageSize> pageSizes;
};
PrinterDescription ReadPrinterDescription(const std::string& name);

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

    const PrinterDescription& Description();
    std::string PaperName(cups_size_t& size);

    std::optional<PrinterDescription> description_;
    cups_dest_t* dest_ = nullptr;
    cups_dinfo_t* info_ = nullptr;
};
} // namespace hozonix::printing
