#include "report/BandPainter.h"

#include "report/PagePlayback.h"
#include "report/PageSetup.h"

#include <QFontMetricsF>

#include <cmath>

namespace hozonix::report {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;

QRectF ItemRect(const ReportItem& item, const QRectF& area, const QFont& font, const QString& text) {
    const double x = area.left() + item.left * kUnitsPerMm;
    const double y = area.top() + item.top * kUnitsPerMm;
    const double room = std::max(0.0, area.right() - x);
    double width = item.width > 0 ? item.width * kUnitsPerMm : room;
    double height = item.height > 0 ? item.height * kUnitsPerMm : std::max(0.0, area.bottom() - y);
    if (item.autoSize) {
        const int flags = item.wordWrap ? Qt::TextWordWrap : 0;
        const QRectF needed = QFontMetricsF(font).boundingRect(QRectF(0, 0, room, 1e6), flags, text);
        width = std::min(room, needed.width());
        height = std::max(height, needed.height());
    }
    return {x, y, width, height};
}

} // namespace

QFont PageFont(const QFont& font) {
    QFont result(font);
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(points * kMmPerPoint * kUnitsPerMm))));
    return result;
}

void PaintBand(PageRecord& page, Band& band, const QRectF& area, const PrintContext& context) {
    for (const auto& item : band.Items()) {
        const QString text = item->TextToPrint(context);
        if (text.isEmpty())
            continue;
        const QFont font = PageFont(item->font);
        const QRectF rect = ItemRect(*item, area, font, text);
        int flags = static_cast<int>(item->alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
        if (item->wordWrap)
            flags |= Qt::TextWordWrap;
        RecordText(page, rect, rect.intersected(area), flags, font, text);
    }
}

} // namespace hozonix::report
