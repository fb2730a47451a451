#pragma once
// Windows that open fully on screen and do not cover each other. Rectangles are outer (frame) ones in
// global coordinates; `area` is a screen's available area (without panels and docks).

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

// The outer rectangle of a top-level window: its frame once shown, its own rectangle before that.
QRect OuterRect(const QWidget& window);
// Moves (and shrinks) the window by its outer rectangle so that it lies on its screen.
void KeepOnScreen(QWidget& window);
// Gives the window the outer rectangle `outer`, keeping the frame's own size out of the content.
void SetOuterRect(QWidget& window, const QRect& outer);

} // namespace hozonix::ui
