#pragma once
// Windows that open fully on screen and do not cover each other. Rectangles are outer (frame) ones in
// global coordinates; `area` is a screen's available area (without panels and docks).

#include <QHash>
#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

namespace hozonix::ui {

// `frame` moved, and shrunk where it is larger, so that it lies wholly inside `area`.
QRect FittedInto(const QRect& frame, const QRect& area);

// Where a window of outer size `size` first opens beside the main window `mainFrame`: to its right, else
// to its left, else below, else above it, each within `area`. When no side has room for the whole window,
// it takes the side with the most room and is shrunk to it; when no side has any worth using, it opens
// below `keepClear` (the main window's tool bar and menu), never over it.
QRect PlaceBeside(const QSize& size, const QRect& mainFrame, const QRect& keepClear, const QRect& area);

// The available area of the screen that holds the most of `frame`; the screen under the mouse cursor
// when none holds any of it.
QRect AvailableAreaFor(const QRect& frame);

// The margins the window manager's frame adds round a window: its own once known, else those of another
// window of the program that has one (none before the first window is framed).
QMargins ExpectedFrame(const QWidget& window);
// The outer rectangle of a top-level window: its frame once shown, its own rectangle with the expected
// frame before that.
QRect OuterRect(const QWidget& window);
// Moves (and shrinks) the window by its outer rectangle so that it lies on its screen.
void KeepOnScreen(QWidget& window);
// Gives the window the outer rectangle `outer`, keeping the frame's own size out of the content.
void SetOuterRect(QWidget& window, const QRect& outer);

// Keeps every top-level window of the program wholly on its screen, title bar included. The window
// manager adds its frame only after a window is shown, so a window placed by its own size alone can
// open with its title bar above the screen or its edge past it: each window is fitted again once its
// frame is known, and whenever it grows past its screen. Installed once on the application.
class WindowsOnScreen : public QObject {
public:
    explicit WindowsOnScreen(QObject* parent = nullptr);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitLater(QWidget& window);
    struct Watch {
        QMargins frame;
        int fits = 0;
    };
    QHash<QWidget*, Watch> windows_;
};

} // namespace hozonix::ui
