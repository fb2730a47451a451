#pragma once
// Shows one page of a page store on screen at a zoom in percent of its paper size.

#include "report/PageStore.h"

#include <QPointer>
#include <QScrollArea>

namespace hozonix::report {

class ReportPreview : public QScrollArea {
    Q_OBJECT

public:
    explicit ReportPreview(QWidget* parent = nullptr);

    // The store shown; nullptr detaches. A store deleted elsewhere detaches itself.
    void SetPageStore(PageStore* store);
    PageStore* Store() const { return store_; }

    // Pages are numbered from 1; a number past the pages already made shows an empty sheet until that
    // page arrives.
    int PageNumber() const { return page_; }
    void SetPageNumber(int number);

    int Zoom() const { return zoom_; }
    // The sheet at the current zoom with the grey surround, in screen pixels.
    QSize PageSizeOnScreen() const;
    void SetZoom(int percent); // kept within kMinZoom..kMaxZoom
    // The largest zoom that shows the whole page, or the paper's full width, in the visible area.
    void ZoomToFit();
    void ZoomToWidth();

    // The page as shown at the current zoom, white paper included. Drawn once and kept until the page,
    // its store or the zoom changes, so that a repaint only copies it.
    QImage RenderPage() const;

    static constexpr int kMinZoom = 10;
    static constexpr int kMaxZoom = 800;

signals:
    void pageAvailable(int pageNumber);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    class Canvas;

    // Draws the page (white paper first) at the current zoom onto a painter whose origin is the sheet's
    // top left corner.
    void PaintPage(QPainter& painter, const QSize& pixels) const;
    QSizeF PaperMm() const;
    QSize PaperPixels(double zoom) const;
    double PixelsPerMm() const;
    void OnPageAvailable(int number);
    void Relayout();

    QPointer<PageStore> store_;
    QMetaObject::Connection storeConnection_;
    QMetaObject::Connection finishedConnection_;
    Canvas* canvas_;
    int page_ = 1;
    int zoom_ = 100;

    // What the kept image shows.
    struct Rendered {
        const PageStore* store = nullptr;
        unsigned long revision = 0;
        int page = 0;
        int zoom = 0;
        int dpi = 0;
        bool operator==(const Rendered&) const = default;
    };
    mutable Rendered renderedKey_;
    mutable QImage rendered_;
};

} // namespace hozonix::report
