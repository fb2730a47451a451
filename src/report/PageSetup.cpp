#include "report/PageSetup.h"

#include <algorithm>

namespace hozonix::report {

QSizeF PageSizeMm(const PageSetup& setup) {
    if (setup.orientation == Orientation::Landscape)
        return {setup.sheet.heightMm, setup.sheet.widthMm};
    return {setup.sheet.widthMm, setup.sheet.heightMm};
}

QRectF PageGeometry::ColumnRect(int column) const {
    return {content.left() + column * columnStep, content.top(), columnWidth, content.height()};
}

PageGeometry ComputeGeometry(const PageSetup& setup) {
    const QSizeF page = PageSizeMm(setup);
    PageGeometry g;
    const double width = page.width() - setup.leftMargin - setup.rightMargin;
    const double height = page.height() - setup.topMargin - setup.bottomMargin;
    if (width <= 0 || height <= 0)
        return g;
    g.content = QRectF(setup.leftMargin, setup.topMargin, width, height);
    g.content = QRectF(g.content.topLeft() * kUnitsPerMm, g.content.size() * kUnitsPerMm);
    g.columns = std::max(1, setup.columns);
    const double space = std::max(0.0, setup.columnSpace) * kUnitsPerMm;
    g.columnWidth = (g.content.width() - space * (g.columns - 1)) / g.columns;
    g.columnStep = g.columnWidth + space;
    if (g.columnWidth <= 0)
        g.content = QRectF();
    return g;
}

} // namespace hozonix::report
