#include "ui/ScreenPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace hozonix::ui {

namespace {

constexpr int kGap = 4;
// A side narrower or lower than this is no place for a list worth reading.
constexpr int kMinimumWidth = 240;
constexpr int kMinimumHeight = 140;

} // namespace

QRect FittedInto(const QRect& frame, const QRect& area) {
    if (area.isEmpty())
        return frame;
    QRect r(frame.topLeft(),
            QSize(std::min(frame.width(), area.width()), std::min(frame.height(), area.height())));
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.top() < area.top())
        r.moveTop(area.top());
    return r;
}

QRect PlaceBeside(const QSize& size, const QRect& mainFrame, const QRect& keepClear, const QRect& area) {
    // The free strips around the main window, in the order they are preferred.
    const QRect sides[] = {
        QRect(QPoint(mainFrame.right() + 1 + kGap, area.top()), area.bottomRight()),
        QRect(area.topLeft(), QPoint(mainFrame.left() - 1 - kGap, area.bottom())),
        QRect(QPoint(area.left(), mainFrame.bottom() + 1 + kGap), area.bottomRight()),
        QRect(area.topLeft(), QPoint(area.right(), mainFrame.top() - 1 - kGap)),
    };
    // Each side starts level with the main window (its top or left edge) and is then kept in the strip.
    auto placedIn = [&](const QRect& side, int index) {
        QPoint at = index < 2 ? QPoint(side.left(), mainFrame.top()) : QPoint(mainFrame.left(), side.top());
        if (index == 1)
            at.setX(side.right() + 1 - size.width());
        if (index == 3)
            at.setY(side.bottom() + 1 - size.height());
        return FittedInto(QRect(at, size), side);
    };
    for (int i = 0; i < 4; ++i) {
        if (sides[i].width() >= size.width() && sides[i].height() >= size.height())
            return placedIn(sides[i], i);
    }
    int best = -1;
    long long bestRoom = 0;
    for (int i = 0; i < 4; ++i) {
        const QRect& side = sides[i];
        if (side.width() < kMinimumWidth || side.height() < kMinimumHeight)
            continue;
        const long long room = static_cast<long long>(std::min(side.width(), size.width())) *
                               std::min(side.height(), size.height());
        if (room > bestRoom) {
            bestRoom = room;
            best = i;
        }
    }
    if (best >= 0)
        return placedIn(sides[best], best);
    // The main window fills the screen: over its list, below its tool bar.
    const QRect below(QPoint(area.left(), std::max(area.top(), keepClear.bottom() + 1 + kGap)),
                      area.bottomRight());
    return FittedInto(QRect(QPoint(mainFrame.left() + kGap * 4, below.top()), size), below);
}

QRect AvailableAreaFor(const QRect& frame) {
    QScreen* best = nullptr;
    long long bestOverlap = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->geometry().intersected(frame);
        const long long area = static_cast<long long>(overlap.width()) * overlap.height();
        if (!overlap.isEmpty() && area > bestOverlap) {
            bestOverlap = area;
            best = screen;
        }
    }
    if (best == nullptr)
        best = QGuiApplication::screenAt(QCursor::pos());
    if (best == nullptr)
        best = QGuiApplication::primaryScreen();
    return best != nullptr ? best->availableGeometry() : QRect();
}

QRect OuterRect(const QWidget& window) {
    return window.isVisible() ? window.frameGeometry() : QRect(window.pos(), window.size());
}

void SetOuterRect(QWidget& window, const QRect& outer) {
    const QRect now = OuterRect(window);
    const QSize frameExtra = now.size() - window.size();
    window.move(outer.topLeft());
    window.resize(outer.size() - frameExtra);
}

void KeepOnScreen(QWidget& window) {
    const QRect outer = OuterRect(window);
    const QRect fitted = FittedInto(outer, AvailableAreaFor(outer));
    if (fitted != outer)
        SetOuterRect(window, fitted);
}

} // namespace hozonix::ui
