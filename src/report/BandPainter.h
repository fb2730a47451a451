#pragma once
// Lays a band out for one printing and records it onto a page. A wrapping item is broken into lines that
// fit its width, each recorded as a text of its own, and the band grows to hold them; other items keep
// their box and are cut at the band's edges.

#include "report/PageRecord.h"
#include "report/ReportItems.h"

#include <QRectF>

#include <vector>

namespace hozonix::report {

struct PlacedText {
    QRectF rect; // where the text is laid out, from the band's top left corner, in page units
    QRectF clip; // nothing of it shows outside this
    int flags = 0;
    QFont font; // at its size in page units
    QString text;
};

struct LaidOutBand {
    double width = 0;
    double height = 0; // page units: the band's own height, or more when its wrapped text needs it
    std::vector<PlacedText> texts;

    // The lowest place in (from, limit] that runs between lines of text, where a band too tall for a
    // column can be cut and go on in the next one; `from` when there is none.
    double CutAtOrBefore(double from, double limit) const;
    // Whether any text starts at or below `y`.
    bool HasTextFrom(double y) const;
};

// Asks every item of the band for its text once and lays the band out `width` page units wide.
LaidOutBand LayOutBand(Band& band, double width, const PrintContext& context);

// Records the part of the band from `from` to `to` (page units from its top) onto the page, that part's
// top left corner at (left, top): the texts that start in the part, none showing outside it.
void RecordBandPart(PageRecord& page, const LaidOutBand& band, double left, double top, double from,
                    double to);

// The font at its size in page units, so that it prints the same size on every device.
QFont PageFont(const QFont& font);

} // namespace hozonix::report
