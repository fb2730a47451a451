#include "ui/ColumnMenu.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QWidgetAction>

#include <algorithm>

namespace hozonix::ui {

namespace {

constexpr const char* kCaptionProperty = "hozonixCaption";
constexpr int kBarWidth = 9;

} // namespace

// The items of one ColumnMenu, drawn as menu items in their columns. It takes no focus, so the keys
// reach the menu, which walks the items.
class ColumnMenuPanel : public QWidget {
public:
    explicit ColumnMenuPanel(ColumnMenu& menu) : menu_(menu) {
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        Layout();
    }

    QSize sizeHint() const override { return size_; }
    QSize minimumSizeHint() const override { return size_; }
    const std::vector<QRect>& Rects() const { return rects_; }

    int ItemAt(const QPoint& at) const {
        for (size_t i = 0; i < rects_.size(); ++i) {
            if (rects_[i].contains(at))
                return static_cast<int>(i);
        }
        return -1;
    }

    void Layout() {
        rects_.clear();
        const std::vector<QAction*>& items = menu_.items_;
        const int columns = menu_.ColumnCount();
        std::vector<int> widths(static_cast<size_t>(columns), 0);
        int height = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            const QSize size = ItemSize(items[i]);
            int& width = widths[static_cast<size_t>(menu_.columns_[i])];
            width = std::max(width, size.width());
            height = std::max(height, size.height());
        }
        std::vector<int> lefts;
        int x = 0;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                x += kBarWidth;
            lefts.push_back(x);
            x += widths[static_cast<size_t>(c)];
        }
        int tallest = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            const auto column = static_cast<size_t>(menu_.columns_[i]);
            const int row = static_cast<int>(i) - FirstOfColumn(static_cast<int>(i));
            rects_.emplace_back(lefts[column], row * height, widths[column], height);
            tallest = std::max(tallest, (row + 1) * height);
        }
        size_ = QSize(x, tallest);
        updateGeometry();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const std::vector<QAction*>& items = menu_.items_;
        for (size_t i = 0; i < items.size(); ++i) {
            QStyleOptionMenuItem option = Option(items[i]);
            option.rect = rects_[i];
            if (static_cast<int>(i) == menu_.current_ && items[i]->isEnabled())
                option.state |= QStyle::State_Selected;
            style()->drawControl(QStyle::CE_MenuItem, &option, &painter, this);
            // The bar between two columns.
            if (i > 0 && menu_.columns_[i] != menu_.columns_[i - 1]) {
                const int x = rects_[i].left() - kBarWidth / 2 - 1;
                painter.setPen(palette().color(QPalette::Mid));
                painter.drawLine(x, 2, x, height() - 3);
                painter.setPen(palette().color(QPalette::Light));
                painter.drawLine(x + 1, 2, x + 1, height() - 3);
            }
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const int at = ItemAt(event->position().toPoint());
        if (at >= 0)
            menu_.SetCurrentIndex(at);
    }

    void leaveEvent(QEvent*) override { menu_.SetCurrentIndex(-1); }

    void changeEvent(QEvent* event) override {
        // The menu's font and style reach the panel only once it stands in the menu.
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
            event->type() == QEvent::ParentChange)
            Layout();
        QWidget::changeEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override { event->accept(); }

    void mouseReleaseEvent(QMouseEvent* event) override {
        const int at = ItemAt(event->position().toPoint());
        if (at >= 0 && menu_.items_[static_cast<size_t>(at)]->isEnabled())
            menu_.items_[static_cast<size_t>(at)]->trigger();
        event->accept();
    }

private:
    QStyleOptionMenuItem Option(QAction* item) const {
        QStyleOptionMenuItem option;
        option.initFrom(this);
        option.state = QStyle::State_None;
        if (item->isEnabled())
            option.state |= QStyle::State_Enabled;
        option.palette = palette();
        option.font = font();
        option.fontMetrics = fontMetrics();
        option.text = item->text();
        option.menuItemType = QStyleOptionMenuItem::Normal;
        option.checkType = QStyleOptionMenuItem::NotCheckable;
        option.menuRect = rect();
        option.maxIconWidth = 0;
        option.reservedShortcutWidth = 0;
        return option;
    }

    QSize ItemSize(QAction* item) const {
        const QStyleOptionMenuItem option = Option(item);
        const QFontMetrics metrics(font());
        const QSize text(metrics.horizontalAdvance(QString(item->text()).replace("&&", "&")),
                         metrics.height());
        return style()->sizeFromContents(QStyle::CT_MenuItem, &option, text, this);
    }

    int FirstOfColumn(int index) const {
        while (index > 0 &&
               menu_.columns_[static_cast<size_t>(index - 1)] == menu_.columns_[static_cast<size_t>(index)])
            --index;
        return index;
    }

    ColumnMenu& menu_;
    std::vector<QRect> rects_;
    QSize size_;
};

std::vector<int> PopupColumnsOf(int columnSize, int count) {
    std::vector<int> columns;
    int column = 0;
    int counter = 0;
    for (int i = 0; i < count; ++i) {
        ++counter;
        if (columnSize > 0 && counter > columnSize) {
            ++column;
            counter = 0;
        }
        columns.push_back(column);
    }
    return columns;
}

int NextMenuItem(const std::vector<int>& columns, int current, int key) {
    const int count = static_cast<int>(columns.size());
    if (count == 0)
        return -1;
    if (current < 0 || current >= count)
        return key == Qt::Key_End ? count - 1 : 0;
    auto first = [&](int column) {
        return static_cast<int>(std::find(columns.begin(), columns.end(), column) - columns.begin());
    };
    auto size = [&](int column) {
        return static_cast<int>(std::count(columns.begin(), columns.end(), column));
    };
    const int column = columns[static_cast<size_t>(current)];
    const int row = current - first(column);
    const int lastColumn = columns.back();
    switch (key) {
    case Qt::Key_Down:
        return first(column) + (row + 1) % size(column);
    case Qt::Key_Up:
        return first(column) + (row + size(column) - 1) % size(column);
    case Qt::Key_Right:
    case Qt::Key_Left: {
        int to = key == Qt::Key_Right ? column + 1 : column - 1;
        if (to > lastColumn)
            to = 0;
        if (to < 0)
            to = lastColumn;
        return first(to) + std::min(row, size(to) - 1);
    }
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return count - 1;
    default:
        return current;
    }
}

ColumnMenu::ColumnMenu(QWidget* parent) : QMenu(parent) {}

ColumnMenu::~ColumnMenu() {
    // The panel is told of its removal and looks at the items: this must happen while they are still
    // there, not in QMenu's destructor.
    delete grid_;
    grid_ = nullptr;
    panel_ = nullptr;
}

int ColumnMenu::ColumnCount() const {
    return columns_.empty() ? 0 : columns_.back() + 1;
}

int ColumnMenu::ColumnOf(const QAction* item) const {
    const auto at = std::find(items_.begin(), items_.end(), item);
    return at == items_.end() ? -1 : columns_[static_cast<size_t>(at - items_.begin())];
}

std::string ColumnMenu::CaptionOf(const QAction* item) {
    return item->property(kCaptionProperty).toString().toStdString();
}

void ColumnMenu::SetCurrentIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size()))
        index = -1;
    if (index == current_)
        return;
    current_ = index;
    if (panel_ != nullptr)
        panel_->update();
}

QRect ColumnMenu::ItemRect(int index) const {
    if (panel_ == nullptr || index < 0 || index >= static_cast<int>(panel_->Rects().size()))
        return {};
    const QRect& r = panel_->Rects()[static_cast<size_t>(index)];
    return QRect(panel_->mapTo(this, r.topLeft()), r.size());
}

void ColumnMenu::Clear() {
    for (QAction* a : items_)
        delete a;
    items_.clear();
    columns_.clear();
    current_ = -1;
    Rebuild();
}

QAction* ColumnMenu::AddItem(const std::string& caption, bool startsColumn,
                             std::function<void(QAction*)> onClick) {
    QString text = QString::fromStdString(caption);
    // A name is shown as typed: "&" is no mnemonic here.
    auto* item = new QAction(QString(text).replace('&', "&&"), this);
    item->setProperty(kCaptionProperty, text);
    connect(item, &QAction::triggered, this, [this, item, onClick] {
        close();
        if (onClick)
            onClick(item);
    });
    int column = columns_.empty() ? 0 : columns_.back() + (startsColumn ? 1 : 0);
    items_.push_back(item);
    columns_.push_back(column);
    Rebuild();
    return item;
}

void ColumnMenu::showEvent(QShowEvent* event) {
    current_ = -1;
    QMenu::showEvent(event);
}

void ColumnMenu::keyPressEvent(QKeyEvent* event) {
    if (items_.empty()) {
        QMenu::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        SetCurrentIndex(NextMenuItem(columns_, current_, event->key()));
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_ >= 0 && items_[static_cast<size_t>(current_)]->isEnabled())
            items_[static_cast<size_t>(current_)]->trigger();
        event->accept();
        return;
    default:
        QMenu::keyPressEvent(event);
    }
}

void ColumnMenu::Rebuild() {
    if (grid_ != nullptr) {
        removeAction(grid_);
        delete grid_;
        grid_ = nullptr;
        panel_ = nullptr;
    }
    if (items_.empty())
        return;
    panel_ = new ColumnMenuPanel(*this);
    grid_ = new QWidgetAction(this);
    grid_->setDefaultWidget(panel_);
    addAction(grid_);
}

void FillPopupMenu(int columnSize, ColumnMenu& menu, const std::vector<std::string>& texts,
                   const std::function<void(QAction*)>& onClick) {
    menu.Clear();
    std::vector<int> columns = PopupColumnsOf(columnSize, static_cast<int>(texts.size()));
    for (size_t i = 0; i < texts.size(); ++i)
        menu.AddItem(texts[i], i > 0 && columns[i] != columns[i - 1], onClick);
}

} // namespace hozonix::ui
