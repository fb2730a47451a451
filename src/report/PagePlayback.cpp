#include "report/PagePlayback.h"

#include <algorithm>
#include <cmath>

namespace hozonix::report {

namespace {

QRectF ToRect(const Box& b) {
    return {b.x, b.y, b.width, b.height};
}

QColor ToColor(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

int AlignmentFlags(TextAlign align) {
    switch (align) {
    case TextAlign::Right:
        return Qt::AlignRight;
    case TextAlign::Center:
        return Qt::AlignHCenter;
    case TextAlign::Justify:
        return Qt::AlignJustify;
    case TextAlign::Left:
        break;
    }
    return Qt::AlignLeft;
}

TextAlign AlignmentOf(int flags) {
    if ((flags & Qt::AlignRight) != 0)
        return TextAlign::Right;
    if ((flags & Qt::AlignHCenter) != 0)
        return TextAlign::Center;
    if ((flags & Qt::AlignJustify) != 0)
        return TextAlign::Justify;
    return TextAlign::Left;
}

// At most `limit` bytes of UTF-8, never a broken character.
std::string Utf8Within(const QString& text, std::size_t limit) {
    std::string bytes = text.toStdString();
    if (bytes.size() <= limit)
        return bytes;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    bytes.resize(cut);
    return bytes;
}

// `r` within the edges given; the sizes come out as the page record checks them.
Box ClampedBox(const QRectF& r, double left, double top, double right, double bottom) {
    const QRectF n = r.normalized();
    Box b;
    b.x = std::clamp(n.left(), left, right);
    b.y = std::clamp(n.top(), top, bottom);
    b.width = std::clamp(n.right(), b.x, right) - b.x;
    b.height = std::clamp(n.bottom(), b.y, bottom) - b.y;
    return b;
}

void DrawText(QPainter& painter, const TextRun& t) {
    QFont font(QString::fromStdString(t.family));
    font.setPixelSize(t.pixelSize);
    font.setBold(t.bold);
    font.setItalic(t.italic);
    font.setUnderline(t.underline);
    int flags = AlignmentFlags(t.align) | Qt::AlignTop;
    if (t.wrap)
        flags |= Qt::TextWordWrap;
    painter.save();
    painter.setClipRect(ToRect(t.clip), Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(ToColor(t.color));
    painter.drawText(ToRect(t.rect), flags, QString::fromStdString(t.text));
    painter.restore();
}

} // namespace

void DrawPage(QPainter& painter, const PageRecord& page) {
    painter.save();
    for (const PageItem& item : page.items) {
        if (const auto* t = std::get_if<TextRun>(&item)) {
            DrawText(painter, *t);
        } else if (const auto* l = std::get_if<LineItem>(&item)) {
            painter.setPen(QPen(ToColor(l->color), l->penWidth));
            painter.drawLine(QLineF(l->x1, l->y1, l->x2, l->y2));
        } else {
            const auto& r = std::get<RectItem>(item);
            painter.setPen(r.penWidth > 0 ? QPen(ToColor(r.penColor), r.penWidth) : QPen(Qt::NoPen));
            painter.setBrush(r.filled ? QBrush(ToColor(r.fillColor)) : QBrush(Qt::NoBrush));
            painter.drawRect(ToRect(r.rect));
        }
    }
    painter.restore();
}

void RecordText(PageRecord& page, const QRectF& rect, const QRectF& clip, int flags, const QFont& font,
                const QString& text) {
    const Box shown = ClampedBox(clip, 0, 0, page.width, page.height);
    if (shown.width <= 0 || shown.height <= 0 || text.isEmpty())
        return;
    TextRun run;
    // A layout box sticking out by more than a page's size shows nothing more than one within it.
    run.rect = ClampedBox(rect, -page.width, -page.height, 2 * page.width, 2 * page.height);
    run.clip = shown;
    run.align = AlignmentOf(flags);
    run.wrap = (flags & Qt::TextWordWrap) != 0;
    run.bold = font.bold();
    run.italic = font.italic();
    run.underline = font.underline();
    run.pixelSize = std::clamp(font.pixelSize(), 1, kMaxFontPixels);
    run.color = 0;
    run.family = Utf8Within(font.family(), kMaxFamilyBytes);
    if (run.family.empty())
        run.family = "sans-serif";
    run.text = Utf8Within(text, kMaxTextBytes);
    page.items.emplace_back(std::move(run));
}

} // namespace hozonix::report
