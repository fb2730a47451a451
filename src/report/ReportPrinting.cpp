#include "report/ReportPrinting.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
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

// The pages the settings ask for, cut to those there are; none is an error.
PageRange PagesToPrint(const PageStore& store) {
    const PageRange range = SelectedPages(store.settings, store.PageCount());
    if (store.PageCount() == 0 || range.first > range.last)
        throw AppError("印刷するページがありません");
    return range;
}

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
    const PageRange range = PagesToPrint(store);
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

PrintResult PrintPages(const PageStore& store, const PrintRouting& routing) {
    const QString title = QString::fromStdString(routing.title);
    if (!routing.pdfFile.empty()) {
        const PageRange range = PagesToPrint(store);
        const QByteArray pdf = RenderPdf(store, title, range);
        ReplaceFileAtomically(routing.pdfFile, [&](int fd) {
            return WriteAll(fd, std::string_view(pdf.constData(), pdf.size()));
        });
        return {0, range.first, range.last, 1, routing.pdfFile};
    }
    if (routing.job == nullptr)
        throw AppError("印刷先がありません");
    const PrintJobOptions options = JobOptionsFor(store, routing);
    TemporaryPdf pdf(RenderPdf(store, title));
    const int job = routing.job->Submit(pdf.Path(), options);
    return {job, options.firstPage, options.lastPage, options.copies, {}};
}

PrintResult Report::Print(const PrintRouting& routing, PrintProgress* progress) {
    struct Shown {
        PrintProgress* progress;
        ~Shown() {
            if (progress != nullptr)
                progress->Hide();
        }
    } shown{progress};
    PageStore store(pageFolder_);
    if (progress != nullptr) {
        progress->Show();
        connect(&store, &PageStore::pageAvailable, [progress](int n) { progress->PageGenerated(n); });
    }
    Generate(store, false);
    return PrintPages(store, routing);
}

void Report::PrintInBackground(const PrintRouting& routing) {
    if (generating_.exchange(true))
        throw AppError("レポートを作成中です");
    if (worker_.joinable())
        worker_.join();
    worker_ = std::thread([this, routing, folder = pageFolder_] {
        QString error;
        PrintResult result;
        try {
            GeneratingFlag flag(generating_);
            PageStore store(folder);
            GenerateRows(store, false);
            result = PrintPages(store, routing);
        } catch (const std::exception& e) {
            error = QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, error, result] { emit backgroundPrintFinished(error, result); },
            Qt::QueuedConnection);
    });
}

bool Report::ShowPrinterSettingsDialog(PrintSettingsDialog& dialog, PrintDestination& destination) {
    CheckFree();
    PrinterSettings edited = printer_;
    const bool accepted = dialog.Edit(edited, destination);
    if (accepted)
        printer_ = edited;
    tag_ = accepted ? 0 : 1;
    return accepted;
}

} // namespace hozonix::report
