#pragma once
// Draws one band with its items onto a page.

#include "report/PageRecord.h"
#include "report/ReportItems.h"

#include <QRectF>

namespace hozonix::report {

// `area` is where the band goes on the page, in page units; its height is the band's height. Nothing
// is drawn outside it: a text too long for its row is cut, the row does not grow.
void PaintBand(PageRecord& page, Band& band, const QRectF& area, const PrintContext& context);

// The font at its size in page units, so that it prints the same size on every device.
QFont PageFont(const QFont& font);

} // namespace hozonix::report
