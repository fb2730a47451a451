#include "ui/ScreenPlacement.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace hozonix::ui {

namespace {

constexpr int kGap = 4;
// A side narrower or lower than this is no place for a list worth reading.
constexpr int kMinimumWidth = 240;
constexpr int kMinimumHeight = 140;
constexpr int kMostFitsInARow = 8;

QMargins FrameMargins(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    // Qt may keep a frame it read while the window manager was framing the window, smaller than the
    // window itself: no frame known.
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
        return {};
    return frame;
}

bool PlacedByUs(const QWidget& window) {
    // Menus, completion lists and tips are placed by Qt beside what opened them; a maximised or full
    // screen window by the window manager.
    const Qt::WindowType type = window.windowType();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop || type == Qt::SplashScreen)
        return false;
    return (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) == 0;
}

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

QMargins ExpectedFrame(const QWidget& window) {
    if (window.isVisible()) {
        const QMargins own = FrameMargins(window);
        if (!own.isNull())
            return own;
    }
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !other->isVisible() || other->windowType() == Qt::Popup ||
            other->windowType() == Qt::ToolTip)
            continue;
        const QMargins theirs = FrameMargins(*other);
        if (!theirs.isNull())
            return theirs;
    }
    return {};
}

QRect OuterRect(const QWidget& window) {
    if (window.isVisible()) {
        if (!FrameMargins(window).isNull())
            return window.frameGeometry();
        // Its frame is not known (yet): the one the window manager gives the others.
        return window.geometry().marginsAdded(ExpectedFrame(window));
    }
    // Before it is shown: its frame will be the one the window manager gives the others.
    const QMargins frame = ExpectedFrame(window);
    return QRect(window.pos(), window.size().grownBy(frame));
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

WindowsOnScreen::WindowsOnScreen(QObject* parent) : QObject(parent) {}

bool WindowsOnScreen::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    QWidget* window = nullptr;
    if (type == QEvent::Expose) {
        // Where the window manager keeps the window still while framing it, no move tells of the frame;
        // it is in place by the time the window is first drawn.
        if (!watched->isWindowType())
            return false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowHandle() == watched)
                window = w;
        }
        if (window == nullptr)
            return false;
    } else if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize ||
               type == QEvent::Hide) {
        if (!watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow())
            return false;
        window = static_cast<QWidget*>(watched);
    } else {
        return false;
    }
    if (type == QEvent::Hide) {
        windows_.remove(window);
        return false;
    }
    if (!window->isVisible() || !PlacedByUs(*window))
        return false;
    Watch& watch = windows_[window];
    const QMargins frame = FrameMargins(*window);
    // Shown, or framed by the window manager just now.
    bool fit = type == QEvent::Show || frame != watch.frame;
    watch.frame = frame;
    // A move or resize that carried a position from before the frame came, or a window grown by its
    // own content: its title bar above the screen, or an edge past it.
    const QRect outer = OuterRect(*window);
    const QRect area = AvailableAreaFor(outer);
    if (outer.top() < area.top() || outer.width() > area.width() || outer.height() > area.height())
        fit = true;
    if (!fit) {
        watch.fits = 0;
    } else if (watch.fits < kMostFitsInARow) {
        // Bounded, against a window manager that puts the window back each time.
        ++watch.fits;
        FitLater(*window);
    }
    return false;
}

void WindowsOnScreen::FitLater(QWidget& window) {
    // After the event that told of the change, so that a move made in its handler is not undone.
    QTimer::singleShot(0, &window, [w = &window] {
        if (w->isVisible() && PlacedByUs(*w))
            KeepOnScreen(*w);
    });
}

} // namespace hozonix::ui
