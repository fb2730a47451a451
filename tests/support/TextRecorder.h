#pragma once
// Replays a recorded page and notes every text drawn, where it starts (page units) and in what pixel
// size, so tests can check the layout without comparing pixels.

#include "report/PageRecord.h"

#include <QPointF>
#include <QString>

#include <vector>

namespace hozonix::test {

struct DrawnText {
    QString text;
    QPointF origin; // baseline start
    int pixelSize;
};

std::vector<DrawnText> TextsOnPage(const report::PageRecord& page);

} // namespace hozonix::test
