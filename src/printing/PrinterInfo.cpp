#include "PrinterInfo.h"

#include <algorithm>

namespace hozonix::printing {

TPrinterInfo::TPrinterInfo(PrinterPlatform& platform, PrinterChangeWatch* watch)
    : platform_(platform), watch_(watch), snapshot_(std::make_unique<TAllPrintersInfo>(platform)) {
    // Read now so that the first change broadcast compares against what was there, not against nothing.
    Ports();
    if (watch_ != nullptr)
        watch_->Hook([this] { SettingsChanged(); });
}

TPrinterInfo::~TPrinterInfo() {
    if (watch_ != nullptr)
        watch_->Unhook();
}

void TPrinterInfo::CheckNoPrinter() {
    for (int i = 0; i < snapshot_->Count(); ++i) {
        if (!snapshot_->IsHidden(i))
            return;
    }
    cachedIndex_.reset();
    throw EPrinterInfoNoPrinter("TPrinterInfo.CheckNoPrinter: No Printer");
}

int TPrinterInfo::GetIndex() {
    CheckNoPrinter();
    const int selected = platform_.PrinterIndex();
    if (selected == -1)
        return -1;
    if (selected >= 0 && selected < snapshot_->Count() && snapshot_->IsHidden(selected))
        throw EPrinterInfoIllegalIndex("TPrinterInfo.GetIndex: Printers.PrinterIndex is Illegal");
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

void TPrinterInfo::LoadSettingsCopy() {
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

const DeviceSettings& TPrinterInfo::SettingsCopy() {
    if (!settingsCopy_)
        LoadSettingsCopy();
    return *settingsCopy_;
}

CapabilitySet TPrinterInfo::Capabilities() {
    CheckNoPrinter();
    const std::uint32_t fields = SettingsCopy().fields;
    CapabilitySet set;
    for (std::size_t bit = 0; bit < set.size(); ++bit)
        set[bit] = (fields & kCapabilityMasks[bit]) != 0;
    return set;
}

void TPrinterInfo::CheckSupport(unsigned bit, const std::string& message) {
    if (bit > 31 || bit >= CapabilitySet().size() || !Capabilities()[bit])
        throw EPrinterInfoNotSupported(message);
}

void TPrinterInfo::Refresh() {
    const int selected = platform_.PrinterIndex();
    if (cachedIndex_ == selected)
        return;
    // The capability set may raise; the index is cached only once the lists belong to it.
    Capabilities();
    cachedIndex_ = selected;
    ReadLists();
}

void TPrinterInfo::ReadLists() {
    knownFlags_ = 0;
    paperNumbers_.clear();
    paperNames_.clear();
    binNumbers_.clear();
    binNames_.clear();
    resolutions_.clear();
    maxCopies_ = 0;

    const std::string device = platform_.DeviceName();
    for (const PaperEntry& paper : platform_.Papers(device)) {
        paperNumbers_.push_back(paper.number);
        paperNames_.push_back(paper.name);
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

void TPrinterInfo::Reset() {
    settingsCopy_.reset();
    cachedIndex_.reset();
    Refresh();
}

std::int16_t TPrinterInfo::GetPaperSizeNumber() {
    CheckNoPrinter();
    CheckSupport(kCapabilityPaperSize, "TPrinterInfo.GetPaperSizeNumber: PaperSize is not Supported");
    return SettingsCopy().paperSize;
}

std::vector<std::string> TPrinterInfo::GetPaperSizeNames() {
    CheckNoPrinter();
    CheckSupport(kCapabilityPaperSize, "TPrinterInfo.GetPaperSizeNames: PaperSize is not Supported");
    Refresh();
    if ((knownFlags_ & kKnownPapers) == 0)
        throw EPrinterInfoNoInfo("TPrinterInfo.GetPaperSizeNames: No Papersize Info Available");
    return paperNames_;
}

int TPrinterInfo::GetPaperSizeIndex() {
    CheckNoPrinter();
    CheckSupport(kCapabilityPaperSize, "TPrinterInfo.GetPaperSizeIndex: PaperSize is not Supported");
    const int number = GetPaperSizeNumber();
    Refresh();
    if ((knownFlags_ & kKnownPapers) == 0)
        throw EPrinterInfoNoInfo("TPrinterInfo.GetPaperSizeIndex: No Papersize Info Available");
    const auto found = std::find(paperNumbers_.begin(), paperNumbers_.end(), number);
    if (found == paperNumbers_.end())
        throw EPrinterInfoPaperSizeError("TPrinterInfo.GetPaperSizeIndex: Cannot Get Paper Index");
    return static_cast<int>(found - paperNumbers_.begin());
}

std::int16_t TPrinterInfo::GetBinNumber() {
    CheckNoPrinter();
    CheckSupport(kCapabilityDefaultSource, "TPrinterInfo.GetBinNumber: Bin is not Supported");
    return SettingsCopy().defaultSource;
}

std::vector<std::string> TPrinterInfo::Ports() {
    ports_.clear();
    for (const std::string& port : platform_.EnumeratePorts()) {
        if (std::find(ports_.begin(), ports_.end(), port) == ports_.end())
            ports_.push_back(port);
    }
    return ports_;
}

void TPrinterInfo::SettingsChanged() {
    auto fresh = std::make_unique<TAllPrintersInfo>(platform_);
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

void TPrinterInfo::FireChange() {
    if (OnChange)
        OnChange(*this);
}

} // namespace hozonix::printing
