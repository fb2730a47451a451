#pragma once
// Pages rendered to images for comparison.

#include "report/PagePlayback.h"
#include "report/PageStore.h"

#include <QImage>
#include <QPainter>

namespace hozonix::test {

// The page at a fixed scale (one pixel per half millimetre) on white paper.
inline QImage RenderForComparison(const report::PageStore& store, int page) {
    const QSizeF mm = report::PageSizeMm(store.Setup());
    QImage image(QSize(int(mm.width() * 2), int(mm.height() * 2)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(0.2, 0.2);
    report::DrawPage(painter, store.Page(page));
    return image;
}

// How many pixels are not white.
inline int InkPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
    }
    return count;
}

} // namespace hozonix::test
