#pragma once
// Pop-up menus whose items stand in columns side by side, as the run menu and the preview's paper menu
// show them. Qt menus have no column break of their own, so ColumnMenu lays its items out itself: each
// item is a QAction (its text the caption, shown without mnemonics), placed in a grid of flat buttons
// with a vertical bar between two columns.

#include <QMenu>

#include <functional>
#include <string>
#include <vector>

class QWidgetAction;

namespace hozonix::ui {

// The column of each of `count` items: a counter goes up by one per item, and an item whose count is
// greater than `columnSize` starts a new column, the counter going back to 0. Column size 0: one column.
std::vector<int> PopupColumnsOf(int columnSize, int count);

class ColumnMenu : public QMenu {
public:
    explicit ColumnMenu(QWidget* parent = nullptr);

    // The items in order, and the column each stands in.
    const std::vector<QAction*>& Items() const { return items_; }
    int ColumnOf(int index) const { return columns_.at(index); }
    // The column of an item, -1 for an action that is not an item of this menu.
    int ColumnOf(const QAction* item) const;
    int ColumnCount() const;
    // The caption of an item exactly as it was given.
    static std::string CaptionOf(const QAction* item);

    void Clear();
    // Adds an item at the foot of the last column or at the top of a new one; onClick (which may be empty)
    // runs after the menu has closed.
    QAction* AddItem(const std::string& caption, bool startsColumn, std::function<void(QAction*)> onClick);

private:
    void Rebuild();

    std::vector<QAction*> items_;
    std::vector<int> columns_;
    QWidgetAction* grid_ = nullptr;
};

// Replaces the menu's items by one item per text, with column breaks by PopupColumnsOf.
void FillPopupMenu(int columnSize, ColumnMenu& menu, const std::vector<std::string>& texts,
                   const std::function<void(QAction*)>& onClick);

} // namespace hozonix::ui
