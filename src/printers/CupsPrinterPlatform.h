#pragma once
// The printer platform on the print server (libcups), reached the way every client on this machine
// reaches it (CUPS_SERVER, client.conf, or the local scheduler).
//
// How the printer information maps onto the print server; this is the one place that decides it:
// - Printers are the server's destinations in the order the server lists them; instances are left out.
// - A printer is hidden (attribute 0x20) while it does not accept jobs (printer-is-accepting-jobs false,
//   as after `cupsreject`): it stays in the list, so positions stay put, but is never offered.
//   The server's default destination carries attribute 0x4 and a shared one 0x8, so a change of either
//   counts as a change of the printer list.
// - A server that cannot be reached, or has no destinations, lists no printers; other server errors
//   raise AppError with the server's message.
// - The printer object is this class: its list is the destinations read on first use, its index is a
//   position in that list, and -1 (the start) selects the server's default destination, or the first
//   one when there is no default. Its settings block is built from the selected destination's
//   defaults: media-default (or the user's "media" option) as the paper number, the default input tray
//   (the user's "media-source" option, media-source-default, the printer description's default
//   InputSlot, else "auto", else the first tray) as the bin number, printer-resolution-default as the
//   print quality; the field mask says which of these the printer lets a job choose.
// - Paper numbers are the paper codes for sheets of a known size, named by the code's table name, so a
//   name picked from the list maps back to the same code; other media get 256 + their position in the
//   server's media list and the server's display name. Bin numbers are the standard numbers of
//   media-source keywords ("auto" 7, "manual" 4, "top" 1 ...), else 256 + their position; bin names
//   are the server's display names of the trays.
// - Ports are the destinations' device URIs.

#include "printers/PrinterPlatform.h"

#include <memory>

namespace hozonix::printing {

class CupsPrinterPlatform : public PrinterPlatform {
public:
    CupsPrinterPlatform();
    ~CupsPrinterPlatform() override;

    std::vector<PrinterRecord> EnumeratePrinters() override;
    std::vector<std::string> EnumeratePorts() override;

    std::vector<PrinterRecord> PrinterList() override;
    int PrinterIndex() override { return index_; }
    void SetPrinterIndex(int index) override;
    std::string DeviceName() override;
    std::optional<DeviceSettings> SettingsBlock() override { return settings_; }
    void SetSettingsBlock(const DeviceSettings& settings) override { settings_ = settings; }
    void DiscardPrinterObject() override;

    std::vector<PaperEntry> Papers(const std::string& device) override;
    std::vector<BinEntry> Bins(const std::string& device) override;
    std::vector<Resolution> Resolutions(const std::string& device) override;
    DeviceSettings DefaultSettings(const std::string& device) override;
    int MaxCopies(const std::string& device) override;

    class DestList;

private:
    DestList& ObjectList();

    std::unique_ptr<DestList> list_;
    int index_ = -1;
    std::optional<DeviceSettings> settings_;
};

} // namespace hozonix::printing
