#include "wizard/ProfileWizardTabBar.h"

#include <QPaintEvent>
#include <QPainter>

namespace hozonix::wizard {

QColor TabFillColour(int page, bool active) {
    if (!active)
        return {};
    switch (page) {
    case 1:
        return QColor(166, 202, 240);
    case 2:
        return QColor(255, 221, 255);
    case 3:
        return QColor(255, 255, 208);
    default:
        return {};
    }
}

ProfileWizardTabBar::ProfileWizardTabBar(QWidget* parent) : QTabBar(parent) {
    setFocusPolicy(Qt::NoFocus);
    setDrawBase(true);
}

ProfileWizardTabWidget::ProfileWizardTabWidget(QWidget* parent)
    : QTabWidget(parent), tabs_(new ProfileWizardTabBar) {
    setTabBar(tabs_);
    setFocusPolicy(Qt::NoFocus);
}

void ProfileWizardTabBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        if (isTabVisible(i))
            DrawTab(painter, i, tabRect(i), i == currentIndex());
    }
}

void ProfileWizardTabBar::DrawTab(QPainter& painter, int index, const QRect& rect, bool active) {
    QColor fill = TabFillColour(ActivePage(), active);
    painter.fillRect(rect, fill.isValid() ? fill : palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect.adjusted(0, 0, -1, 0));
    painter.setPen(QColor(0, 0, 128));
    painter.setFont(font());
    painter.drawText(rect.translated(0, 1), Qt::AlignCenter | Qt::TextSingleLine, tabText(index));
}

} // namespace hozonix::wizard
