#pragma once
// Facts about the selected printer for the print preview: whether any printer exists, the selected
// printer's place in the list, which settings it lets a program choose, its paper sizes and paper
// sources, and its current paper and default source. Answers are cached for one selected printer and
// dropped when the selection changes, after a confirmed printer dialog (Reset) and when the system's
// printer list changes (SettingsChanged, called by the change watch).
//
// One instance lives for the whole program run.

#include "printers/AllPrintersInfo.h"
#include "printers/MediaMapping.h"
#include "printers/PrinterInfoErrors.h"
#include "printers/PrinterPlatform.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::printing {

// Bit i is set when the settings block lets a program choose the i-th setting of kCapabilityMasks.
using CapabilitySet = std::bitset<17>;

inline constexpr std::uint32_t kCapabilityMasks[17] = {
    DeviceField::Orientation,
    DeviceField::PaperSize,
    DeviceField::PaperLength,
    DeviceField::PaperWidth,
    DeviceField::Scale,
    DeviceField::Copies,
    DeviceField::DefaultSource,
    DeviceField::PrintQuality,
    DeviceField::Color,
    DeviceField::Duplex,
    DeviceField::YResolution,
    DeviceField::TrueTypeOption,
    DeviceField::Collate,
    DeviceField::FormName,
    DeviceField::LogPixels,
    1u << 27,
    1u << 28,
};

inline constexpr unsigned kCapabilityPaperSize = 1;
inline constexpr unsigned kCapabilityDefaultSource = 6;

// Known flags: which lists Refresh could read for the cached printer.
inline constexpr unsigned kKnownPapers = 0x1;
inline constexpr unsigned kKnownBins = 0x2;
inline constexpr unsigned kKnownResolutions = 0x4;
inline constexpr unsigned kKnownCopies = 0x8;

class PrinterInfo {
public:
    // Takes the first snapshot and reads the ports; hooks into `watch` when one is given.
    explicit PrinterInfo(PrinterPlatform& platform, PrinterChangeWatch* watch = nullptr);
    ~PrinterInfo();
    PrinterInfo(const PrinterInfo&) = delete;
    PrinterInfo& operator=(const PrinterInfo&) = delete;

    // Raises NoPrinterError (and forgets the cached printer) unless a visible printer exists.
    void CheckNoPrinter();
    // The selected printer's position among the visible printers; -1 when the default printer is
    // selected.
    int GetIndex();
    // The paper number of the settings copy.
    std::int16_t GetPaperSizeNumber();
    // A copy: the cached list is replaced when another printer is selected.
    std::vector<std::string> GetPaperSizeNames();
    // Position of the current paper number in the paper list.
    int GetPaperSizeIndex();
    // The default paper-source number of the settings copy.
    std::int16_t GetBinNumber();

    CapabilitySet Capabilities();
    // Raises NotSupportedError with `message` unless capability `bit` is set.
    void CheckSupport(unsigned bit, const std::string& message);
    // Reads the lists again when another printer has been selected since they were read.
    void Refresh();
    // Drops the settings copy and the cache, then reads the lists of the selected printer.
    void Reset();
    // Reads the ports again; each port once, in the printing system's order.
    std::vector<std::string> Ports();

    // The system's printer setup may have changed: take a new snapshot; when the printers differ, start
    // afresh, when only the ports differ, keep the cache. OnChange is called in both cases.
    void SettingsChanged();
    std::function<void(PrinterInfo&)> OnChange;

    const std::vector<std::uint16_t>& PaperNumbers() const { return paperNumbers_; }
    // The sheet of each paper, in the order of the names; {0, 0} where the printer does not tell.
    const std::vector<PaperDimensions>& PaperSizes() const { return paperSizes_; }
    const std::vector<std::uint16_t>& BinNumbers() const { return binNumbers_; }
    const std::vector<std::string>& BinNames() const { return binNames_; }
    const std::vector<Resolution>& Resolutions() const { return resolutions_; }
    int MaxCopies() const { return maxCopies_; }
    unsigned KnownFlags() const { return knownFlags_; }
    // The printer index the lists were read for; none when nothing is cached. The default printer's
    // index -1 is a cache key like any other.
    std::optional<int> CachedIndex() const { return cachedIndex_; }
    const AllPrintersInfo& Snapshot() const { return *snapshot_; }
    PrinterPlatform& Platform() { return platform_; }

private:
    void LoadSettingsCopy();
    const DeviceSettings& SettingsCopy();
    void ReadLists();
    void FireChange();

    PrinterPlatform& platform_;
    PrinterChangeWatch* watch_;
    std::unique_ptr<AllPrintersInfo> snapshot_;
    std::vector<std::uint16_t> paperNumbers_;
    std::vector<std::string> paperNames_;
    std::vector<PaperDimensions> paperSizes_;
    std::vector<std::uint16_t> binNumbers_;
    std::vector<std::string> binNames_;
    std::vector<Resolution> resolutions_;
    std::vector<std::string> ports_;
    int maxCopies_ = 0;
    std::optional<int> cachedIndex_;
    unsigned knownFlags_ = 0;
    std::optional<DeviceSettings> settingsCopy_;
};

} // namespace hozonix::printing
