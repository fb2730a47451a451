#include "report/CupsPrintJob.h"

#include "base/AppError.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <cmath>

namespace hozonix::report {

namespace {

// Points this thread's client at the chosen server for the length of one submission.
class ServerChoice {
public:
    explicit ServerChoice(const std::string& server) : active_(!server.empty()) {
        if (active_) {
            previous_ = cupsServer();
            cupsSetServer(server.c_str());
        }
    }
    ~ServerChoice() {
        if (active_)
            cupsSetServer(previous_.c_str());
    }
    ServerChoice(const ServerChoice&) = delete;
    ServerChoice& operator=(const ServerChoice&) = delete;

private:
    bool active_;
    std::string previous_;
};

// Options in the form the server takes them; freed with the object.
class Options {
public:
    ~Options() { cupsFreeOptions(count_, options_); }
    void Add(const std::string& name, const std::string& value) {
        count_ = cupsAddOption(name.c_str(), value.c_str(), count_, &options_);
    }
    int Count() const { return count_; }
    cups_option_t* Get() const { return options_; }

private:
    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

int Hundredths(double mm) {
    return static_cast<int>(std::lround(mm * 100));
}

std::string DefaultPrinter() {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (dest == nullptr)
        throw AppError("プリンタがありません");
    std::string name = dest->name;
    cupsFreeDests(1, dest);
    return name;
}

} // namespace

std::string MediaName(double widthMm, double heightMm) {
    const pwg_media_t* media =
        pwgMediaForSize(Hundredths(std::min(widthMm, heightMm)), Hundredths(std::max(widthMm, heightMm)));
    if (media != nullptr && media->pwg != nullptr)
        return media->pwg;
    char name[128];
    pwgFormatSizeName(name, sizeof name, "custom", nullptr, Hundredths(widthMm), Hundredths(heightMm),
                      nullptr);
    return name;
}

CupsPrintJob::CupsPrintJob(std::string server) : server_(std::move(server)) {}

int CupsPrintJob::Submit(const std::string& pdfPath, const PrintJobOptions& options) {
    ServerChoice server(server_);
    const std::string printer = options.printerName.empty() ? DefaultPrinter() : options.printerName;

    Options job;
    job.Add("copies", std::to_string(std::max(1, options.copies)));
    if (options.firstPage != 1 || options.lastPage != options.pageCount)
        job.Add("page-ranges", std::to_string(options.firstPage) + "-" + std::to_string(options.lastPage));
    const std::string media = MediaName(options.mediaWidthMm, options.mediaHeightMm);
    job.Add("media", media);
    if (!options.mediaSource.empty()) {
        // Queues set up from a printer description ignore a bare media-source; inside media-col the
        // server turns it into the description's own tray choice.
        const std::string size =
            "media-size={x-dimension=" + std::to_string(Hundredths(options.mediaWidthMm)) +
            " y-dimension=" + std::to_string(Hundredths(options.mediaHeightMm)) + "}";
        job.Add("media-col", "{" + size + " media-source=" + options.mediaSource + "}");
    }
    job.Add("document-format", "application/pdf");

    const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.c_str(), pdfPath.c_str(), options.title.c_str(),
                                  job.Count(), job.Get());
    if (id == 0)
        throw AppError("印刷できません: " + printer + ": " + cupsLastErrorString());
    return id;
}

} // namespace hozonix::report
