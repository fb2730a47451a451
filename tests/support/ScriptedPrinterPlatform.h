#pragma once
// A printer platform for tests: the system's printers are a list the test edits, the printer object keeps
// its own copy from first use like the real one, and every query is counted.

#include "printers/PrinterPlatform.h"

#include <functional>
#include <stdexcept>

namespace hozonix::test {

using namespace hozonix::printing;

struct ScriptedPrinter {
    std::string name;
    std::uint32_t attributes = 0;
    std::vector<PaperEntry> papers;
    std::vector<BinEntry> bins;
    std::vector<Resolution> resolutions;
    int maxCopies = 0;
    DeviceSettings defaults;
    std::string port;
};

class ScriptedPrinterPlatform : public PrinterPlatform {
public:
    std::vector<PrinterRecord> EnumeratePrinters() override {
        ++enumerations;
        std::vector<PrinterRecord> records;
        for (const auto& p : printers)
            records.push_back({p.name, p.attributes});
        return records;
    }
    std::vector<std::string> EnumeratePorts() override {
        std::vector<std::string> ports;
        for (const auto& p : printers)
            ports.push_back(p.port);
        return ports;
    }

    std::vector<PrinterRecord> PrinterList() override {
        std::vector<PrinterRecord> records;
        for (const auto& p : Object())
            records.push_back({p.name, p.attributes});
        return records;
    }
    int PrinterIndex() override { return index; }
    void SetPrinterIndex(int i) override {
        ++selections;
        index = i;
        const ScriptedPrinter* p = Selected();
        // Like the server, the settings come from the printer as it is now.
        if (p != nullptr && !neverBuildSettings)
            settings = Find(p->name).defaults;
    }
    std::string DeviceName() override {
        ++deviceNameCalls;
        if (!deviceNameOverride.empty())
            return deviceNameOverride;
        const ScriptedPrinter* p = Selected();
        return p != nullptr ? p->name : "";
    }
    std::optional<DeviceSettings> SettingsBlock() override { return settings; }
    void SetSettingsBlock(const DeviceSettings& s) override { settings = s; }
    void DiscardPrinterObject() override {
        ++discards;
        object.reset();
        index = -1;
        settings.reset();
    }

    std::vector<PaperEntry> Papers(const std::string& device) override {
        ++paperQueries;
        return Find(device).papers;
    }
    std::vector<BinEntry> Bins(const std::string& device) override { return Find(device).bins; }
    std::vector<Resolution> Resolutions(const std::string& device) override {
        return Find(device).resolutions;
    }
    DeviceSettings DefaultSettings(const std::string& device) override { return Find(device).defaults; }
    int MaxCopies(const std::string& device) override { return Find(device).maxCopies; }

    std::vector<ScriptedPrinter> printers;
    std::optional<std::vector<ScriptedPrinter>> object;
    int index = -1;
    std::optional<DeviceSettings> settings;
    bool neverBuildSettings = false;
    std::string deviceNameOverride;
    int enumerations = 0;
    int selections = 0;
    int discards = 0;
    int paperQueries = 0;
    int deviceNameCalls = 0;

private:
    const std::vector<ScriptedPrinter>& Object() {
        if (!object)
            object = printers;
        return *object;
    }
    const ScriptedPrinter* Selected() {
        const auto& list = Object();
        if (index >= 0)
            return static_cast<std::size_t>(index) < list.size() ? &list[static_cast<std::size_t>(index)]
                                                                 : nullptr;
        for (const auto& p : list) {
            if (p.attributes & kPrinterAttributeDefault)
                return &p;
        }
        return list.empty() ? nullptr : &list.front();
    }
    const ScriptedPrinter& Find(const std::string& device) {
        for (const auto& p : printers) {
            if (p.name == device)
                return p;
        }
        throw std::runtime_error("no printer " + device);
    }
};

// A printer that supports paper size and source selection, with papers A4 (9), Letter (1) and a
// size of its own (256), bins Auto (7) and Manual (4), default A4 from Auto.
inline ScriptedPrinter SamplePrinter(const std::string& name, std::uint32_t attributes = 0) {
    ScriptedPrinter p;
    p.name = name;
    p.attributes = attributes;
    p.papers = {
        {9, "A4", "iso_a4_210x297mm"}, {1, "Letter", "na_letter_8.5x11in"}, {256, "Photo", "oe_photo"}};
    p.bins = {{7, "Automatic", "auto"}, {4, "Manual Feed", "manual"}};
    p.resolutions = {{300, 300}, {600, 600}};
    p.maxCopies = 99;
    p.defaults.fields = DeviceField::Orientation | DeviceField::PaperSize | DeviceField::DefaultSource;
    p.defaults.paperSize = 9;
    p.defaults.defaultSource = 7;
    p.port = "file:///dev/null/" + name;
    return p;
}

} // namespace hozonix::test
