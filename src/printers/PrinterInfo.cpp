#include "printers/PrinterInfo.h"

#include <algorithm>

namespace hozonix::printing {

PrinterInfo::PrinterInfo(PrinterPlatform& platform, PrinterChangeWatch* watch)
    : platform_(platform), watch_(watch), snapshot_(std::make_unique<AllPrintersInfo>(platform)) {
    // Read now so that the first change broadcast compares against what was there, not against nothing.
    Ports();
    if (watch_ != nullptr)
        watch_->Hook([this] { SettingsChanged(); });
}

PrinterInfo::~PrinterInfo() {
    if (watch_ != nullptr)
        watch_->Unhook();
}

void PrinterInfo::CheckNoPrinter() {
    for (int i = 0; i < snapshot_->Count(); ++i) {
        if (!snapshot_->IsHidden(i))
            return;
    }
    cachedIndex_.reset();
    throw NoPrinterError("TPrinterInfo.CheckNoPrinter: No Printer");
}

int PrinterInfo::GetIndex() {
    CheckNoPrinter();
    const int selected = platform_.PrinterIndex();
    if (selected == -1)
        return -1;
    if (selected >= 0 && selected < snapshot_->Count() && snapshot_->IsHidden(selected))
        throw IllegalPrinterIndexError("TPrinterInfo.GetIndex: Printers.PrinterIndex is Illegal");
    const std::string device = platform_.DeviceName();
    int position = -1;
    for (int i = 0; i < snapshot_->Count(); ++i) {
        if (snapshot_->Name(i) == device) {
            position = i;
            break;
        }
    }
    PrinterInfoAssert(position >= 0);
    int hiddenBefore = 0;
    for (int i = 0; i < position; ++i) {
        if (snapshot_->IsHidden(i))
            ++hiddenBefore;
    }
    return position - hiddenBefore;
}

void PrinterInfo::LoadSettingsCopy() {
    settingsCopy_.reset();
    std::optional<DeviceSettings> block = platform_.SettingsBlock();
    if (!block) {
        // Selecting the printer again makes the printer object build its settings.
        platform_.SetPrinterIndex(platform_.PrinterIndex());
        block = platform_.SettingsBlock();
    }
    PrinterInfoAssert(block.has_value());
    settingsCopy_ = std::move(block);
}

const DeviceSettings& PrinterInfo::SettingsCopy() {
    if (!settingsCopy_)
        LoadSettingsCopy();
    return *settingsCopy_;
}

CapabilitySet PrinterInfo::Capabilities() {
    CheckNoPrinter();
    const std::uint32_t fields = SettingsCopy().fields;
    CapabilitySet set;
    for (std::size_t bit = 0; bit < set.size(); ++bit)
        set[bit] = (fields & kCapabilityMasks[bit]) != 0;
    return set;
}

void PrinterInfo::CheckSupport(unsigned bit, const std::string& message) {
    if (bit > 31 || bit >= CapabilitySet().size() || !Capabilities()[bit])
        throw NotSupportedError(message);
}

void PrinterInfo::Refresh() {
    const int selected = platform_.PrinterIndex();
    if (cachedIndex_ == selected)
        return;
    // The capability set may raise; the index is cached only once the lists belong to it.
    Capabilities();
    cachedIndex_ = selected;
    ReadLists();
}

void PrinterInfo::ReadLists() {
    knownFlags_ = 0;
    paperNumbers_.clear();
    paperNames_.clear();
    paperSizes_.clear();
    binNumbers_.clear();
    binNames_.clear();
    resolutions_.clear();
    maxCopies_ = 0;

    const std::string device = platform_.DeviceName();
    for (const PaperEntry& paper : platform_.Papers(device)) {
        paperNumbers_.push_back(paper.number);
        paperNames_.push_back(paper.name);
        paperSizes_.push_back({paper.width, paper.length});
    }
    if (!paperNumbers_.empty())
        knownFlags_ |= kKnownPapers;

    for (const BinEntry& bin : platform_.Bins(device)) {
        binNumbers_.push_back(bin.number);
        binNames_.push_back(bin.name);
    }
    if (!binNumbers_.empty())
        knownFlags_ |= kKnownBins;

    resolutions_ = platform_.Resolutions(device);
    if (!resolutions_.empty())
        knownFlags_ |= kKnownResolutions;

    const int copies = platform_.MaxCopies(device);
    if (copies > 0) {
        knownFlags_ |= kKnownCopies;
        maxCopies_ = copies;
    }
}

void PrinterInfo::Reset() {
    settingsCopy_.reset();
    cachedIndex_.reset();
    Refresh();
}

std::int16_t PrinterInfo::GetPaperSizeNumber() {
    CheckNoPrinter();
    CheckSupport(kCapabilityPaperSize, "TPrinterInfo.GetPaperSizeNumber: PaperSize is not Supported");
    return SettingsCopy().paperSize;
}

std::vector<std::string> PrinterInfo::GetPaperSizeNames() {
    CheckNoPrinter();
    CheckSupport(kCapabilityPaperSize, "TPrinterInfo.GetPaperSizeNames: PaperSize is not Supported");
    Refresh();
    if ((knownFlags_ & kKnownPapers) == 0)
        throw NoPrinterInfoError("TPrinterInfo.GetPaperSizeNames: No Papersize Info Available");
    return paperNames_;
}

int PrinterInfo::GetPaperSizeIndex() {
    CheckNoPrinter();
    CheckSupport(kCapabilityPaperSize, "TPrinterInfo.GetPaperSizeIndex: PaperSize is not Supported");
    const int number = GetPaperSizeNumber();
    Refresh();
    if ((knownFlags_ & kKnownPapers) == 0)
        throw NoPrinterInfoError("TPrinterInfo.GetPaperSizeIndex: No Papersize Info Available");
    const auto found = std::find(paperNumbers_.begin(), paperNumbers_.end(), number);
    if (found == paperNumbers_.end())
        throw PaperSizeError("TPrinterInfo.GetPaperSizeIndex: Cannot Get Paper Index");
    return static_cast<int>(found - paperNumbers_.begin());
}

std::int16_t PrinterInfo::GetBinNumber() {
    CheckNoPrinter();
    CheckSupport(kCapabilityDefaultSource, "TPrinterInfo.GetBinNumber: Bin is not Supported");
    return SettingsCopy().defaultSource;
}

std::vector<std::string> PrinterInfo::Ports() {
    ports_.clear();
    for (const std::string& port : platform_.EnumeratePorts()) {
        if (std::find(ports_.begin(), ports_.end(), port) == ports_.end())
            ports_.push_back(port);
    }
    return ports_;
}

void PrinterInfo::SettingsChanged() {
    auto fresh = std::make_unique<AllPrintersInfo>(platform_);
    const std::vector<std::string> oldPorts = ports_;
    if (fresh->equals(*snapshot_)) {
        if (Ports() != oldPorts)
            FireChange();
        return;
    }
    // The printer object's list no longer matches: it is rebuilt on next use.
    platform_.DiscardPrinterObject();
    snapshot_ = std::move(fresh);
    cachedIndex_.reset();
    settingsCopy_.reset();
    // Keep the ports in step, so the next unchanged broadcast does not report this change again.
    Ports();
    FireChange();
}

void PrinterInfo::FireChange() {
    if (OnChange)
        OnChange(*this);
}

} // namespace hozonix::printing
