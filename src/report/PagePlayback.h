#pragma once
// Draws recorded pages with Qt, and records what the report engine draws. The report engine draws
// nothing but what a PageRecord can hold, so the preview, printing and PDF output show the same page
// whether it was just made or read from a file.

#include "report/PageRecord.h"

#include <QFont>
#include <QPainter>
#include <QRectF>

namespace hozonix::report {

// Draws `page` with the painter's current transform meaning page units (tenths of a millimetre).
void DrawPage(QPainter& painter, const PageRecord& page);

// Adds a black text in `font` laid out in `rect` (alignment and word wrap from `flags`, from the top),
// showing only inside `clip` and the page. Fields beyond the page record's limits are brought within
// them, so that every page made can be saved and read again.
void RecordText(PageRecord& page, const QRectF& rect, const QRectF& clip, int flags, const QFont& font,
                const QString& text);

} // namespace hozonix::report
