#include "report/TextWrap.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

#include <vector>

namespace hozonix::report {

namespace {

// Where a line may end: after each character, never inside one (a surrogate pair, a combining mark).
std::vector<qsizetype> CharacterEnds(const QString& text) {
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toStart();
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        ends.push_back(at);
    return ends;
}

// The length of the first line of `rest`, which is wider than `width`.
qsizetype FirstLineLength(const QString& rest, const QFontMetricsF& metrics, double width) {
    const std::vector<qsizetype> ends = CharacterEnds(rest);
    // The last character end that still fits, found by halving; the first character goes in any case.
    std::size_t low = 0, high = ends.size() - 1;
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(rest.left(ends[mid])) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    const qsizetype fits = ends[low];
    for (const QChar breakAfter : {QChar('/'), QChar(' ')}) {
        const qsizetype at = rest.lastIndexOf(breakAfter, fits - 1);
        if (at >= 0 && metrics.horizontalAdvance(rest.left(at + 1)) >= width / 3)
            return at + 1;
    }
    return fits;
}

} // namespace

QStringList WrapText(const QString& text, const QFont& font, double width) {
    const QFontMetricsF metrics(font);
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString rest = paragraph;
        rest.remove(QLatin1Char('\r'));
        while (metrics.horizontalAdvance(rest) > width) {
            const qsizetype length = FirstLineLength(rest, metrics, width);
            if (length >= rest.size())
                break; // one character wider than the line
            lines << rest.left(length);
            rest.remove(0, length);
        }
        lines << rest;
    }
    return lines;
}

} // namespace hozonix::report
