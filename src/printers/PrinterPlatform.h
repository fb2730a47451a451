#pragma once
// What the printer information asks of the printing system: the printer list, the application's printer
// object (which printer is selected and its settings block), the capabilities of a named printer and
// the ports. One implementation talks to the print server; tests use a scripted one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::printing {

// Printer attribute bits.
inline constexpr std::uint32_t kPrinterAttributeDefault = 0x4;
inline constexpr std::uint32_t kPrinterAttributeShared = 0x8;
inline constexpr std::uint32_t kPrinterAttributeHidden = 0x20;

struct PrinterRecord {
    std::string name;
    std::uint32_t attributes = 0;
};

// Field mask bits of a settings block: which settings the printer lets a program choose.
namespace DeviceField {
inline constexpr std::uint32_t Orientation = 0x1;
inline constexpr std::uint32_t PaperSize = 0x2;
inline constexpr std::uint32_t PaperLength = 0x4;
inline constexpr std::uint32_t PaperWidth = 0x8;
inline constexpr std::uint32_t Scale = 0x10;
inline constexpr std::uint32_t Copies = 0x100;
inline constexpr std::uint32_t DefaultSource = 0x200;
inline constexpr std::uint32_t PrintQuality = 0x400;
inline constexpr std::uint32_t Color = 0x800;
inline constexpr std::uint32_t Duplex = 0x1000;
inline constexpr std::uint32_t YResolution = 0x2000;
inline constexpr std::uint32_t TrueTypeOption = 0x4000;
inline constexpr std::uint32_t Collate = 0x8000;
inline constexpr std::uint32_t FormName = 0x10000;
inline constexpr std::uint32_t LogPixels = 0x20000;
} // namespace DeviceField

// The settings block of the selected printer: what a job gets unless it asks for something else.
struct DeviceSettings {
    std::uint32_t fields = 0;
    std::int16_t orientation = 1; // 1 portrait, 2 landscape
    std::int16_t paperSize = 0;   // a paper number of the printer's paper list
    std::int16_t copies = 1;
    std::int16_t defaultSource = 0; // a bin number of the printer's bin list
    std::int16_t printQuality = 0;  // horizontal dots per inch
    std::int16_t yResolution = 0;
    std::string formName; // the print server's name of the paper ("iso_a4_210x297mm")
};

struct PaperEntry {
    std::uint16_t number = 0;
    std::string name;
    std::string media; // the print server's name, for job options
    int width = 0;     // the sheet in hundredths of a millimetre, portrait; 0 when not known
    int length = 0;
};

struct BinEntry {
    std::uint16_t number = 0;
    std::string name;
    std::string keyword; // the print server's media-source keyword, for job options
};

struct Resolution {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class PrinterPlatform {
public:
    virtual ~PrinterPlatform() = default;

    // A fresh list of the installed printers. Throws AppError when the printing system fails.
    virtual std::vector<PrinterRecord> EnumeratePrinters() = 0;
    // Where the printers send their output, one entry per printer, in printer order. Throws AppError.
    virtual std::vector<std::string> EnumeratePorts() = 0;

    // The printer object. Its list is read on first use and kept until DiscardPrinterObject; the index
    // is a position in that list, -1 meaning the system's default printer.
    virtual std::vector<PrinterRecord> PrinterList() = 0;
    virtual int PrinterIndex() = 0;
    // Selects a printer and builds its settings block from the printer's defaults.
    virtual void SetPrinterIndex(int index) = 0;
    // The selected printer's name ("" when there is none).
    virtual std::string DeviceName() = 0;
    // The selected printer's settings block; none until it has been built.
    virtual std::optional<DeviceSettings> SettingsBlock() = 0;
    // Replaces the selected printer's settings block (the setup dialog's choice).
    virtual void SetSettingsBlock(const DeviceSettings& settings) = 0;
    // Forgets the list, the selection and the settings; the next use starts afresh.
    virtual void DiscardPrinterObject() = 0;

    // Capabilities of the named printer. An empty list means the printer does not tell.
    virtual std::vector<PaperEntry> Papers(const std::string& device) = 0;
    virtual std::vector<BinEntry> Bins(const std::string& device) = 0;
    virtual std::vector<Resolution> Resolutions(const std::string& device) = 0;
    // The settings a job on the named printer gets when it asks for nothing else.
    virtual DeviceSettings DefaultSettings(const std::string& device) = 0;
    // The largest number of copies a job may ask for; 0 or less when unknown.
    virtual int MaxCopies(const std::string& device) = 0;
};

// Something that calls back (on the user-interface thread) whenever the printer setup of the system may
// have changed. The printer information hooks itself in at creation and out at destruction.
class PrinterChangeWatch {
public:
    virtual ~PrinterChangeWatch() = default;
    virtual void Hook(std::function<void()> onChange) = 0;
    virtual void Unhook() = 0;
};

} // namespace hozonix::printing
