#include "report/ReportPrinting.h"

#include "base/AppError.h"
#include "base/ScopedFd.h"
#include "report/GeneratingFlag.h"
#include "report/PdfOutput.h"
#include "report/PrintProgress.h"
#include "report/Report.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace hozonix::report {

namespace {

// A PDF in a private temporary file, removed when done.
class TemporaryPdf {
public:
    explicit TemporaryPdf(const QByteArray& pdf) {
        const char* tmp = std::getenv("TMPDIR");
        path_ = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/hozonix-print-XXXXXX";
        ScopedFd fd(mkstemp(path_.data()));
        if (fd.get() < 0)
            ThrowSystemError(path_ + ": ", errno);
        qsizetype done = 0;
        while (done < pdf.size()) {
            const ssize_t n =
                write(fd.get(), pdf.constData() + done, static_cast<std::size_t>(pdf.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int err = n < 0 ? errno : ENOSPC;
                fd.reset();
                unlink(path_.c_str());
                ThrowSystemError(path_ + ": ", err);
            }
            done += n;
        }
        if (fd.close() != 0) {
            const int err = errno;
            unlink(path_.c_str());
            ThrowSystemError(path_ + ": ", err);
        }
    }
    ~TemporaryPdf() { unlink(path_.c_str()); }
    TemporaryPdf(const TemporaryPdf&) = delete;
    TemporaryPdf& operator=(const TemporaryPdf&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace

std::string StandardMediaSource(int printerSourceNumber) {
    switch (printerSourceNumber) {
    case 1:
        return "top";
    case 2:
        return "bottom";
    case 3:
        return "middle";
    case 4:
        return "manual";
    case 5:
        return "envelope";
    case 7:
        return "auto";
    case 11:
        return "large-capacity";
    case 14:
        return "main";
    default:
        return {};
    }
}

PrintJobOptions JobOptionsFor(const PageStore& store, const PrintRouting& routing) {
    if (store.PageCount() == 0)
        throw AppError("印刷するページがありません");
    const PageRange range = SelectedPages(store.settings, store.PageCount());
    if (range.first > range.last)
        throw AppError("印刷するページがありません");
    PrintJobOptions options;
    if (routing.printerName)
        options.printerName = routing.printerName(store.settings.printerIndex);
    options.title = routing.title;
    options.copies = std::max(1, store.settings.copies);
    options.firstPage = range.first;
    options.lastPage = range.last;
    options.pageCount = store.PageCount();
    options.mediaWidthMm = store.Setup().sheet.widthMm;
    options.mediaHeightMm = store.Setup().sheet.heightMm;
    const int source = store.paperSources.PrinterSourceNumber(store.settings.paperSource);
    options.mediaSource = routing.mediaSource ? routing.mediaSource(source) : StandardMediaSource(source);
    return options;
}

int PrintPages(const PageStore& store, const PrintRouting& routing) {
    if (routing.job == nullptr)
        throw AppError("印刷先がありません");
    const PrintJobOptions options = JobOptionsFor(store, routing);
    TemporaryPdf pdf(RenderPdf(store, QString::fromStdString(routing.title)));
    return routing.job->Submit(pdf.Path(), options);
}

void Report::Print(const PrintRouting& routing, PrintProgress* progress) {
    struct Shown {
        PrintProgress* progress;
        ~Shown() {
            if (progress != nullptr)
                progress->Hide();
        }
    } shown{progress};
    PageStore store;
    if (progress != nullptr) {
        progress->Show();
        connect(&store, &PageStore::pageAvailable, [progress](int n) { progress->PageGenerated(n); });
    }
    Generate(store, false);
    PrintPages(store, routing);
}

void Report::PrintInBackground(const PrintRouting& routing) {
    if (generating_.exchange(true))
        throw AppError("レポートを作成中です");
    if (worker_.joinable())
        worker_.join();
    worker_ = std::thread([this, routing] {
        QString error;
        try {
            GeneratingFlag flag(generating_);
            PageStore store;
            GenerateRows(store, false);
            PrintPages(store, routing);
        } catch (const std::exception& e) {
            error = QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, error] { emit backgroundPrintFinished(error); }, Qt::QueuedConnection);
    });
}

bool Report::ShowPrinterSettingsDialog(PrintSettingsDialog& dialog) {
    CheckFree();
    PrinterSettings edited = printer_;
    const bool accepted = dialog.Edit(edited);
    if (accepted)
        printer_ = edited;
    tag_ = accepted ? 0 : 1;
    return accepted;
}

} // namespace hozonix::report
