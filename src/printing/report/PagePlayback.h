#pragma once
// Replays a stored page onto any device in page units.

#include <QPainter>
#include <QPicture>

namespace hozonix::report {

// Draws `page` with the painter's current transform meaning page units (tenths of a millimetre).
// A picture replays scaled by the target's resolution against its own, which this undoes, so pages
// keep their size whatever the screen or printer.
inline void DrawPage(QPainter& painter, const QPicture& page) {
    const QPaintDevice* device = painter.device();
    painter.save();
    if (device != nullptr && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
        painter.scale(double(page.logicalDpiX()) / device->logicalDpiX(),
                      double(page.logicalDpiY()) / device->logicalDpiY());
    painter.drawPicture(0, 0, page);
    painter.restore();
}

} // namespace hozonix::report
