#include "ui/QtWindowGeometry.h"

#include "ui/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace hozonix::ui {

int QtWindowGeometry::Left() const {
    return window_.pos().x();
}
int QtWindowGeometry::Top() const {
    return window_.pos().y();
}
int QtWindowGeometry::Width() const {
    return window_.width();
}
int QtWindowGeometry::Height() const {
    return window_.height();
}
void QtWindowGeometry::SetLeft(int v) {
    window_.move(v, window_.pos().y());
}
void QtWindowGeometry::SetTop(int v) {
    window_.move(window_.pos().x(), v);
}
void QtWindowGeometry::SetWidth(int v) {
    window_.resize(v, window_.height());
}
void QtWindowGeometry::SetHeight(int v) {
    window_.resize(window_.width(), v);
}

Rect MeasureFallbackRect() {
    QScreen* screen = QGuiApplication::primaryScreen();
    QSize size = screen != nullptr ? screen->geometry().size() : QSize(1024, 768);
    return FallbackRect(size.width(), size.height());
}

bool RestorePlacementOnScreen(const IniFile& settings, QWidget& window, const std::string& placementKey,
                              const Rect& fallback) {
    QtWindowGeometry geometry(window, placementKey);
    const bool stored = RestoreWindowPlacement(settings, geometry, fallback);
    KeepOnScreen(window);
    return stored;
}

} // namespace hozonix::ui
