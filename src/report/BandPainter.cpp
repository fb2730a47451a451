#include "report/BandPainter.h"

#include "report/PagePlayback.h"
#include "report/PageSetup.h"
#include "report/TextWrap.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace hozonix::report {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;
// Lines that meet within this much (page units) do not overlap.
constexpr double kTouch = 1e-6;

// The box of an item that does not wrap, relative to its band.
QRectF ItemRect(const ReportItem& item, double bandWidth, double bandHeight, const QFont& font,
                const QString& text) {
    const double x = item.left * kUnitsPerMm;
    const double y = item.top * kUnitsPerMm;
    const double room = std::max(0.0, bandWidth - x);
    double width = item.width > 0 ? item.width * kUnitsPerMm : room;
    double height = item.height > 0 ? item.height * kUnitsPerMm : std::max(0.0, bandHeight - y);
    if (item.autoSize) {
        const QRectF needed = QFontMetricsF(font).boundingRect(QRectF(0, 0, room, 1e6), 0, text);
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

LaidOutBand LayOutBand(Band& band, double width, const PrintContext& context) {
    LaidOutBand out;
    out.width = width;
    const double bandHeight = std::max(0.0, band.height) * kUnitsPerMm;
    double height = bandHeight;
    double growth = 0;
    std::vector<std::size_t> wrapped; // texts clipped to the band's final height
    for (const auto& item : band.Items()) {
        const QString text = item->TextToPrint(context);
        if (text.isEmpty())
            continue;
        const QFont font = PageFont(item->font);
        const int flags = static_cast<int>(item->alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
        if (!item->wordWrap) {
            const QRectF rect = ItemRect(*item, width, bandHeight, font, text);
            out.texts.push_back({rect, rect.intersected(QRectF(0, 0, width, bandHeight)), flags, font, text});
            continue;
        }
        const double x = item->left * kUnitsPerMm;
        const double y = item->top * kUnitsPerMm;
        const double room = std::max(0.0, width - x);
        const double lineWidth = item->width > 0 ? std::min(room, item->width * kUnitsPerMm) : room;
        const QFontMetricsF metrics(font);
        const double lineHeight = metrics.lineSpacing();
        const QStringList lines = WrapText(text, font, lineWidth);
        for (int i = 0; i < lines.size(); ++i) {
            wrapped.push_back(out.texts.size());
            out.texts.push_back(
                {QRectF(x, y + i * lineHeight, lineWidth, lineHeight), {}, flags, font, lines[i]});
        }
        // The item's box holds its first line (a face may be taller than the box); each further line
        // makes the band a line taller, and the band never ends inside the text.
        const double itemHeight =
            item->height > 0 ? item->height * kUnitsPerMm : std::max(0.0, bandHeight - y);
        const double textHeight = lines.size() * lineHeight;
        growth = std::max(growth, textHeight - std::max(itemHeight, lineHeight));
        height = std::max(height, y + textHeight);
    }
    out.height = std::max(height, bandHeight + growth);
    for (std::size_t i : wrapped)
        out.texts[i].clip = QRectF(0, 0, width, out.height);
    return out;
}

double LaidOutBand::CutAtOrBefore(double from, double limit) const {
    auto crosses = [&](double y) {
        return std::any_of(texts.begin(), texts.end(), [&](const PlacedText& t) {
            return t.rect.top() < y - kTouch && t.rect.bottom() > y + kTouch;
        });
    };
    if (!crosses(limit))
        return limit;
    double best = from;
    for (const PlacedText& t : texts) {
        for (double y : {t.rect.top(), t.rect.bottom()}) {
            if (y > best && y <= limit && !crosses(y))
                best = y;
        }
    }
    return best;
}

bool LaidOutBand::HasTextFrom(double y) const {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const PlacedText& t) { return t.rect.top() >= y - kTouch; });
}

void RecordBandPart(PageRecord& page, const LaidOutBand& band, double left, double top, double from,
                    double to) {
    const QRectF part(0, from, band.width, to - from);
    const QPointF shift(left, top - from);
    for (const PlacedText& t : band.texts) {
        const bool inEarlierPart = from > 0 && t.rect.top() < from - kTouch;
        const bool inLaterPart = to < band.height && t.rect.top() >= to - kTouch;
        if (inEarlierPart || inLaterPart)
            continue;
        RecordText(page, t.rect.translated(shift), t.clip.intersected(part).translated(shift), t.flags,
                   t.font, t.text);
    }
}

} // namespace hozonix::report
