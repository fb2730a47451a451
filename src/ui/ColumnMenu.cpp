#include "ui/ColumnMenu.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>

namespace hozonix::ui {

namespace {
constexpr const char* kCaptionProperty = "hozonixCaption";
}

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

ColumnMenu::ColumnMenu(QWidget* parent) : QMenu(parent) {}

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

void ColumnMenu::Clear() {
    for (QAction* a : items_)
        delete a;
    items_.clear();
    columns_.clear();
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

void ColumnMenu::Rebuild() {
    if (grid_ != nullptr) {
        removeAction(grid_);
        delete grid_;
        grid_ = nullptr;
    }
    if (items_.empty())
        return;
    auto* panel = new QWidget;
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    QVBoxLayout* column = nullptr;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (column == nullptr || (i > 0 && columns_[i] != columns_[i - 1])) {
            if (column != nullptr) {
                column->addStretch();
                auto* bar = new QFrame;
                bar->setFrameShape(QFrame::VLine);
                bar->setFrameShadow(QFrame::Sunken);
                row->addWidget(bar);
            }
            column = new QVBoxLayout;
            column->setSpacing(0);
            row->addLayout(column);
        }
        auto* button = new QToolButton;
        button->setDefaultAction(items_[i]);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        column->addWidget(button);
    }
    if (column != nullptr)
        column->addStretch();
    grid_ = new QWidgetAction(this);
    grid_->setDefaultWidget(panel);
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
