#pragma once
// A pop-up menu whose items stand in columns: an item can start a new column, as menu items with a
// column break do. Each item is a QAction, triggered when its entry is clicked; the menu then closes.

#include <QFrame>
#include <QList>

class QAction;
class QHBoxLayout;
class QVBoxLayout;

namespace hozonix::printing {

class PrevFormColumnMenu : public QFrame {
public:
    explicit PrevFormColumnMenu(QWidget* parent = nullptr);

    void Clear();
    // Adds an item captioned `caption` with object name `name`, at the foot of the last column or at the
    // top of a new one.
    QAction* AddItem(const QString& caption, const QString& name, bool startsColumn);

    const QList<QAction*>& Items() const { return items_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // The zero-based column an item stands in, -1 for an action not in the menu.
    int ColumnOf(const QAction* action) const;

    // Shows the menu with its top-left corner at a global position.
    void Popup(const QPoint& globalPos);

private:
    QHBoxLayout* row_;
    QList<QAction*> items_;
    QList<int> columnOfItem_;
    QList<QVBoxLayout*> columns_;
};

} // namespace hozonix::printing
