#include "report/ReportPreview.h"

#include "report/PagePlayback.h"

#include <QHideEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace hozonix::report {

namespace {

// Grey surround between the sheet and the edge of the view.
constexpr int kGap = 8;
// A sheet drawn whole and kept takes four bytes a pixel: at 800 % an A4 page would take 230 MB. Above
// this, only the part that shows is drawn, at each repaint.
constexpr qint64 kMaxKeptPixels = 8'000'000;

} // namespace

class ReportPreview::Canvas : public QWidget {
public:
    explicit Canvas(ReportPreview* owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        const QSize pixels = owner_->PaperPixels(owner_->zoom_);
        if (qint64(pixels.width()) * pixels.height() <= kMaxKeptPixels) {
            painter.drawImage(QPoint(kGap, kGap), owner_->RenderPage());
            return;
        }
        painter.setClipRect(event->rect() & QRect(QPoint(kGap, kGap), pixels));
        painter.translate(kGap, kGap);
        owner_->PaintPage(painter, pixels);
    }

private:
    ReportPreview* owner_;
};

ReportPreview::ReportPreview(QWidget* parent) : QScrollArea(parent), canvas_(new Canvas(this)) {
    setBackgroundRole(QPalette::Dark);
    setAlignment(Qt::AlignCenter);
    setWidget(canvas_);
    Relayout();
}

void ReportPreview::SetPageStore(PageStore* store) {
    disconnect(storeConnection_);
    disconnect(finishedConnection_);
    store_ = store;
    rendered_ = QImage();
    if (store != nullptr) {
        storeConnection_ = connect(store, &PageStore::pageAvailable, this, &ReportPreview::OnPageAvailable);
        // The last page fills in the page count of all of them.
        finishedConnection_ = connect(store, &PageStore::finished, canvas_, [this] { canvas_->update(); });
    }
    Relayout();
}

void ReportPreview::SetPageNumber(int number) {
    page_ = std::max(1, number);
    canvas_->update();
}

void ReportPreview::SetZoom(int percent) {
    zoom_ = std::clamp(percent, kMinZoom, kMaxZoom);
    Relayout();
}

void ReportPreview::ZoomToFit() {
    const QSize paper = PaperPixels(100);
    const QSize room = maximumViewportSize() - QSize(2 * kGap, 2 * kGap);
    const double scale =
        std::min(double(room.width()) / paper.width(), double(room.height()) / paper.height());
    SetZoom(static_cast<int>(std::floor(scale * 100)));
}

void ReportPreview::ZoomToWidth() {
    const QSize paper = PaperPixels(100);
    // The page will be taller than the view, so leave room for the vertical scroll bar.
    const int room = maximumViewportSize().width() - 2 * kGap - verticalScrollBar()->sizeHint().width();
    SetZoom(static_cast<int>(std::floor(double(room) / paper.width() * 100)));
}

QSize ReportPreview::PageSizeOnScreen() const {
    return PaperPixels(zoom_) + QSize(2 * kGap, 2 * kGap);
}

QImage ReportPreview::RenderPage() const {
    const Rendered key{store_.data(), store_ != nullptr ? store_->Revision() : 0, page_, zoom_,
                       logicalDpiX()};
    if (!rendered_.isNull() && key == renderedKey_)
        return rendered_;
    const QSize pixels = PaperPixels(zoom_);
    QImage image(pixels, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintPage(painter, pixels);
    }
    renderedKey_ = key;
    rendered_ = image;
    return image;
}

void ReportPreview::PaintPage(QPainter& painter, const QSize& pixels) const {
    painter.fillRect(QRect(QPoint(0, 0), pixels), Qt::white);
    if (store_ != nullptr && page_ <= store_->PageCount()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const double scale = PixelsPerMm() * zoom_ / 100.0 / kUnitsPerMm;
        painter.scale(scale, scale);
        PageRecord shown = store_->Page(page_);
        // The page count is not known before the last page: no number rather than a wrong one.
        if (!store_->IsFinished())
            FillInPageCount(shown, "…");
        DrawPage(painter, shown);
    }
}

void ReportPreview::hideEvent(QHideEvent* event) {
    // A closed preview keeps no picture of its page.
    rendered_ = QImage();
    QScrollArea::hideEvent(event);
}

QSizeF ReportPreview::PaperMm() const {
    return store_ != nullptr ? PageSizeMm(store_->Setup()) : QSizeF(210, 297);
}

double ReportPreview::PixelsPerMm() const {
    return logicalDpiX() / 25.4;
}

QSize ReportPreview::PaperPixels(double zoom) const {
    const QSizeF mm = PaperMm();
    const double f = PixelsPerMm() * zoom / 100.0;
    return {std::max(1, int(std::lround(mm.width() * f))), std::max(1, int(std::lround(mm.height() * f)))};
}

void ReportPreview::OnPageAvailable(int number) {
    if (number == page_ || number == 1)
        Relayout();
    emit pageAvailable(number);
}

void ReportPreview::Relayout() {
    canvas_->setFixedSize(PaperPixels(zoom_) + QSize(2 * kGap, 2 * kGap));
    canvas_->update();
}

} // namespace hozonix::report
