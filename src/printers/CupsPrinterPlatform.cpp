#include "printers/CupsPrinterPlatform.h"

#include "base/AppError.h"
#include "printers/CupsDestination.h"

#include <cups/cups.h>

#include <cstring>

namespace hozonix::printing {

class CupsPrinterPlatform::DestList {
public:
    // Reads the server's destinations; instances are dropped.
    DestList() {
        count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_);
        if (count_ == 0) {
            const ipp_status_t status = cupsLastError();
            // No scheduler running or nothing installed: no printers, which the caller reports.
            if (status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND &&
                status != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
                throw AppError(cupsLastErrorString());
        }
        for (int i = 0; i < count_; ++i) {
            if (dests_[i].instance == nullptr)
                printers_.push_back(&dests_[i]);
        }
    }
    ~DestList() { cupsFreeDests(count_, dests_); }
    DestList(const DestList&) = delete;
    DestList& operator=(const DestList&) = delete;

    const std::vector<cups_dest_t*>& Printers() const { return printers_; }

    std::vector<PrinterRecord> Records() const {
        std::vector<PrinterRecord> records;
        for (const cups_dest_t* dest : printers_) {
            PrinterRecord record{dest->name, 0};
            if (dest->is_default)
                record.attributes |= kPrinterAttributeDefault;
            if (Is(dest, "printer-is-accepting-jobs", "false"))
                record.attributes |= kPrinterAttributeHidden;
            if (Is(dest, "printer-is-shared", "true"))
                record.attributes |= kPrinterAttributeShared;
            records.push_back(std::move(record));
        }
        return records;
    }

    // The destination at `index`; -1 is the default destination, or the first when none is the default.
    const cups_dest_t* At(int index) const {
        if (printers_.empty())
            return nullptr;
        if (index >= 0)
            return static_cast<std::size_t>(index) < printers_.size()
                       ? printers_[static_cast<std::size_t>(index)]
                       : nullptr;
        for (const cups_dest_t* dest : printers_) {
            if (dest->is_default)
                return dest;
        }
        return printers_.front();
    }

private:
    static bool Is(const cups_dest_t* dest, const char* option, const char* expected) {
        const char* value = cupsGetOption(option, dest->num_options, dest->options);
        return value != nullptr && std::strcmp(value, expected) == 0;
    }

    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
    std::vector<cups_dest_t*> printers_;
};

CupsPrinterPlatform::CupsPrinterPlatform() = default;
CupsPrinterPlatform::~CupsPrinterPlatform() = default;

std::vector<PrinterRecord> CupsPrinterPlatform::EnumeratePrinters() {
    return DestList().Records();
}

std::vector<std::string> CupsPrinterPlatform::EnumeratePorts() {
    std::vector<std::string> ports;
    DestList list;
    for (const cups_dest_t* dest : list.Printers()) {
        const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options);
        if (uri != nullptr && uri[0] != '\0')
            ports.emplace_back(uri);
    }
    return ports;
}

CupsPrinterPlatform::DestList& CupsPrinterPlatform::ObjectList() {
    if (!list_)
        list_ = std::make_unique<DestList>();
    return *list_;
}

std::vector<PrinterRecord> CupsPrinterPlatform::PrinterList() {
    return ObjectList().Records();
}

void CupsPrinterPlatform::SetPrinterIndex(int index) {
    const cups_dest_t* dest = ObjectList().At(index);
    if (index < -1 || (index >= 0 && dest == nullptr))
        throw AppError("Printer index out of range");
    index_ = index;
    settings_.reset();
    if (dest == nullptr)
        return;
    CupsDestination selected(dest);
    if (selected.Valid())
        settings_ = selected.Defaults();
}

std::string CupsPrinterPlatform::DeviceName() {
    const cups_dest_t* dest = ObjectList().At(index_);
    return dest != nullptr ? dest->name : "";
}

void CupsPrinterPlatform::DiscardPrinterObject() {
    list_.reset();
    index_ = -1;
    settings_.reset();
}

std::vector<PaperEntry> CupsPrinterPlatform::Papers(const std::string& device) {
    return CupsDestination(device).Papers();
}

std::vector<BinEntry> CupsPrinterPlatform::Bins(const std::string& device) {
    return CupsDestination(device).Bins();
}

std::vector<Resolution> CupsPrinterPlatform::Resolutions(const std::string& device) {
    return CupsDestination(device).Resolutions();
}

DeviceSettings CupsPrinterPlatform::DefaultSettings(const std::string& device) {
    return CupsDestination(device).Defaults();
}

int CupsPrinterPlatform::MaxCopies(const std::string& device) {
    return CupsDestination(device).MaxCopies();
}

} // namespace hozonix::printing
