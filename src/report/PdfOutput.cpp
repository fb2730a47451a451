#include "report/PdfOutput.h"

#include "report/PagePlayback.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace hozonix::report {

namespace {

// At this resolution one device pixel is one page unit (a tenth of a millimetre).
constexpr int kPdfDpi = 254;

} // namespace

QByteArray RenderPdf(const PageStore& store, const QString& title) {
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
        for (int n = 1; n <= store.PageCount(); ++n) {
            if (n > 1)
                writer.newPage();
            DrawPage(painter, store.Page(n));
        }
    }
    return pdf;
}

} // namespace hozonix::report
