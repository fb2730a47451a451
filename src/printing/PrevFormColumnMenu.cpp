#include "PrevFormColumnMenu.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace hozonix::printing {

PrevFormColumnMenu::PrevFormColumnMenu(QWidget* parent)
    : QFrame(parent, Qt::Popup), row_(new QHBoxLayout(this)) {
    setFrameShape(QFrame::StyledPanel);
    row_->setContentsMargins(2, 2, 2, 2);
    row_->setSpacing(0);
}

void PrevFormColumnMenu::Clear() {
    for (QVBoxLayout* column : columns_) {
        while (QLayoutItem* item = column->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        row_->removeItem(column);
        delete column;
    }
    columns_.clear();
    qDeleteAll(items_);
    items_.clear();
    columnOfItem_.clear();
}

QAction* PrevFormColumnMenu::AddItem(const QString& caption, const QString& name, bool startsColumn) {
    if (startsColumn || columns_.isEmpty()) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        column->addStretch();
        row_->addLayout(column);
        columns_.append(column);
    }
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QVBoxLayout* column = columns_.back();
    column->insertWidget(column->count() - 1, button);
    connect(action, &QAction::triggered, this, &QWidget::hide);
    items_.append(action);
    columnOfItem_.append(static_cast<int>(columns_.size()) - 1);
    return action;
}

int PrevFormColumnMenu::ColumnOf(const QAction* action) const {
    for (qsizetype i = 0; i < items_.size(); ++i) {
        if (items_[i] == action)
            return columnOfItem_[i];
    }
    return -1;
}

void PrevFormColumnMenu::Popup(const QPoint& globalPos) {
    adjustSize();
    move(globalPos);
    show();
}

} // namespace hozonix::printing
