#include "mainwindow/ProfileCheckList.h"

#include <QResizeEvent>

#include <algorithm>

namespace hozonix::mainwindow {

ProfileCheckList::ProfileCheckList(QWidget* parent) : QListWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FitColumns();
}

void ProfileCheckList::SetNames(const std::vector<std::string>& names) {
    clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

std::vector<std::string> ProfileCheckList::Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i)
        names.push_back(NameAt(i));
    return names;
}

std::string ProfileCheckList::NameAt(int index) const {
    const QListWidgetItem* it = item(index);
    return it == nullptr ? std::string() : it->text().toStdString();
}

bool ProfileCheckList::IsTicked(int index) const {
    const QListWidgetItem* it = item(index);
    return it != nullptr && it->checkState() == Qt::Checked;
}

void ProfileCheckList::SetTicked(int index, bool ticked) {
    if (QListWidgetItem* it = item(index))
        it->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

int ProfileCheckList::Selected() const {
    QListWidgetItem* it = currentItem();
    return it != nullptr && it->isSelected() ? row(it) : -1;
}

void ProfileCheckList::Select(int index) {
    if (index < 0 || index >= count()) {
        setCurrentItem(nullptr);
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void ProfileCheckList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    FitColumns();
}

void ProfileCheckList::FitColumns() {
    int width = std::max(40, viewport()->width() / Columns - 1);
    setGridSize(QSize(width, ItemHeight));
}

} // namespace hozonix::mainwindow
