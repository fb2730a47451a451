#include "report/PagePlayback.h"

#include <QFontInfo>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

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

// The installed family a text named `family` is drawn in. Qt matches a family against the font
// configuration anew for every font made from its name, which takes a good part of a millisecond for
// one that is not installed: a file naming thousands of them froze the preview on every page and zoom.
// A name is matched once and remembered (per thread: pages are drawn for the screen and for the
// printer); a page matches at most `budget` names it has not met before, which no real report comes
// near, and draws the texts of any others in the default family.
QString InstalledFamily(const std::string& family, int& budget) {
    constexpr std::size_t MostRemembered = 256;
    thread_local std::unordered_map<std::string, QString> matched;
    if (const auto found = matched.find(family); found != matched.end())
        return found->second;
    if (budget <= 0)
        return QFont().family();
    --budget;
    if (matched.size() >= MostRemembered)
        matched.clear();
    return matched.emplace(family, QFontInfo(QFont(QString::fromStdString(family))).family()).first->second;
}

void DrawText(QPainter& painter, const TextRun& t, int& budget) {
    QFont font(InstalledFamily(t.family, budget));
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
    int budget = 64; // names matched on this page
    for (const PageItem& item : page.items) {
        if (const auto* t = std::get_if<TextRun>(&item)) {
            DrawText(painter, *t, budget);
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
