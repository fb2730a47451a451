#pragma once
// The wizard's tab strip, drawn by the program: the active tab is filled with its page's colour
// (sky blue, light pink, cream), the caption centred one pixel low in the strip's font colour (navy).
// The strip never takes the keyboard focus.

#include <QColor>
#include <QTabBar>
#include <QTabWidget>

namespace hozonix::wizard {

// The fill of a tab: the page's colour when active, otherwise none (the strip's own background).
QColor TabFillColour(int page, bool active);

class ProfileWizardTabBar : public QTabBar {
public:
    explicit ProfileWizardTabBar(QWidget* parent = nullptr);

    // The active tab's page, 1 to 3.
    int ActivePage() const { return currentIndex() + 1; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws one tab: fill, then the caption on a single line.
    void DrawTab(QPainter& painter, int index, const QRect& rect, bool active);
};

// The page control that carries the strip.
class ProfileWizardTabWidget : public QTabWidget {
public:
    explicit ProfileWizardTabWidget(QWidget* parent = nullptr);
    ProfileWizardTabBar* Tabs() const { return tabs_; }

private:
    ProfileWizardTabBar* tabs_;
};

} // namespace hozonix::wizard
