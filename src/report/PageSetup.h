#pragma once
// A report's page: sheet, orientation, margins and newspaper columns, all lengths in millimetres, and
// where that puts the printed areas. Pages are drawn in tenths of a millimetre.

#include "report/PaperSizes.h"

#include <QRectF>
#include <QSizeF>

namespace hozonix::report {

inline constexpr double kUnitsPerMm = 10.0;

enum class Orientation { Portrait = 0, Landscape = 1 };

struct PageSetup {
    int paperCode = kPaperA4;
    SheetSize sheet{210, 297}; // portrait
    Orientation orientation = Orientation::Portrait;
    double topMargin = 10;
    double bottomMargin = 10;
    double leftMargin = 10;
    double rightMargin = 10;
    double columnSpace = 0;
    int columns = 1; // below 1 lays out as one column
};

// The page as the sheet is turned, in millimetres.
QSizeF PageSizeMm(const PageSetup& setup);

// The printed area inside the margins and one detail column of it, in page units (tenths of a
// millimetre). Empty when the margins leave no room.
struct PageGeometry {
    QRectF content;
    int columns = 1;
    double columnWidth = 0;
    double columnStep = 0; // column width plus column space

    QRectF ColumnRect(int column) const;
};

PageGeometry ComputeGeometry(const PageSetup& setup);

} // namespace hozonix::report
