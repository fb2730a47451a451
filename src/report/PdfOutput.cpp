#include "report/PdfOutput.h"

#include "report/PagePlayback.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace hozonix::report {

namespace {

// At this resolution one device pixel is one page unit (a tenth of a millimetre).
constexpr int kPdfDpi = 254;

} // namespace

QByteArray RenderPdf(const PageStore& store, const QString& title) {
    return RenderPdf(store, title, {1, store.PageCount()});
}

QByteArray RenderPdf(const PageStore& store, const QString& title, PageRange pages) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfDpi);
        writer.setCreator(QStringLiteral("Hozonix"));
        writer.setTitle(title);
        const PageSetup& setup = store.Setup();
        const QPageSize size(QSizeF(setup.sheet.widthMm, setup.sheet.heightMm), QPageSize::Millimeter,
                             QString(), QPageSize::ExactMatch);
        writer.setPageLayout(QPageLayout(size,
                                         setup.orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                                     : QPageLayout::Portrait,
                                         QMarginsF()));
        QPainter painter(&writer);
        const int first = std::max(1, pages.first);
        for (int n = first; n <= std::min(pages.last, store.PageCount()); ++n) {
            if (n > first)
                writer.newPage();
            DrawPage(painter, store.Page(n));
        }
    }
    return pdf;
}

} // namespace hozonix::report
