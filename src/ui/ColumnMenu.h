#pragma once
// Pop-up menus whose items stand in columns side by side, as the run menu and the preview's paper menu
// show them. Qt menus have no column break of their own, so ColumnMenu lays its items out itself: each
// item is a QAction (its text the caption, shown without mnemonics), drawn as the style draws a menu
// item, in columns with a vertical bar between two of them. The arrow keys walk the items (up and down
// within a column, left and right across the columns), Enter or Space chooses one, Esc closes.

#include <QMenu>

#include <functional>
#include <string>
#include <vector>

class QWidgetAction;

namespace hozonix::ui {

class ColumnMenuPanel;

// The column of each of `count` items: a counter goes up by one per item, and an item whose count is
// greater than `columnSize` starts a new column, the counter going back to 0. Column size 0: one column.
std::vector<int> PopupColumnsOf(int columnSize, int count);

// Where the keyboard goes from item `current` for a key (Qt::Key_Up, Key_Down, Key_Left, Key_Right,
// Key_Home, Key_End) in items standing in `columns`: up and down wrap within the column, left and right
// keep the row (the last item of a shorter column) and wrap across the columns. -1 (none) goes to the
// first item.
int NextMenuItem(const std::vector<int>& columns, int current, int key);

class ColumnMenu : public QMenu {
public:
    explicit ColumnMenu(QWidget* parent = nullptr);
    ~ColumnMenu() override;

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

    // The highlighted item, -1 for none. Opening the menu highlights none.
    int CurrentIndex() const { return current_; }
    void SetCurrentIndex(int index);
    // Where the item at `index` is drawn, in the menu's coordinates.
    QRect ItemRect(int index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class ColumnMenuPanel;
    void Rebuild();

    std::vector<QAction*> items_;
    std::vector<int> columns_;
    int current_ = -1;
    QWidgetAction* grid_ = nullptr;
    ColumnMenuPanel* panel_ = nullptr;
};

// Replaces the menu's items by one item per text, with column breaks by PopupColumnsOf.
void FillPopupMenu(int columnSize, ColumnMenu& menu, const std::vector<std::string>& texts,
                   const std::function<void(QAction*)>& onClick);

} // namespace hozonix::ui
