#pragma once
// Lets a Qt top-level window take part in SaveWindowPlacement / RestoreWindowPlacement.
//
// Left and Top are the outer (frame) position, which move() takes; Width and Height are the size inside
// the frame, which resize() takes. Both read back exactly what was set, so a stored placement does not
// drift by the frame's size from one start to the next, whether or not the window is shown yet.

#include "settings/WindowPlacement.h"

#include <string>

class QWidget;

namespace hozonix::ui {

class QtWindowGeometry : public WindowGeometry {
public:
    QtWindowGeometry(QWidget& window, std::string placementKey)
        : window_(window), name_(std::move(placementKey)) {}

    std::string PlacementKey() const override { return name_; }
    int Left() const override;
    int Top() const override;
    int Width() const override;
    int Height() const override;
    void SetLeft(int v) override;
    void SetTop(int v) override;
    void SetWidth(int v) override;
    void SetHeight(int v) override;

private:
    QWidget& window_;
    std::string name_;
};

// The common fallback rectangle for the primary screen, measured once at program start by the caller.
Rect MeasureFallbackRect();

// RestoreWindowPlacement, then the window is kept wholly on its screen (a stored placement may name a
// monitor that is gone). True when a stored placement was applied.
bool RestorePlacementOnScreen(const IniFile& settings, QWidget& window, const std::string& placementKey,
                              const Rect& fallback);

} // namespace hozonix::ui
