#include "ui/LineListView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace hozonix::ui {

namespace {

// Every row is as wide as the widest line, so the view scrolls sideways to the end of any line; the
// view asks the first row only, as its rows are all of one size.
class LineDelegate : public QStyledItemDelegate {
public:
    LineDelegate(const LineListModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int cell = QFontMetrics(option.font).horizontalAdvance(QLatin1Char('M'));
        const auto cells = static_cast<int>(std::min<std::size_t>(model_.Lines().WidestLine(), 100000));
        return {std::max(size.width(), cells * cell + 2 * cell), size.height()};
    }

private:
    const LineListModel& model_;
};

} // namespace

void LineListModel::SetLines(LineStore lines) {
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return QString::fromStdString(lines_[static_cast<std::size_t>(index.row())]);
}

bool LineListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const std::string text = value.toString().toStdString();
    if (text == lines_[static_cast<std::size_t>(index.row())])
        return false;
    try {
        lines_.Replace(static_cast<std::size_t>(index.row()), text);
    } catch (const std::exception&) {
        return false; // no memory for the edit: the line stays as it was (nothing may leave an event)
    }
    emit dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags LineListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable;
}

bool LineListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    lines_.Remove(static_cast<std::size_t>(row), static_cast<std::size_t>(count));
    endRemoveRows();
    return true;
}

void LineListModel::InsertLines(int row, const std::vector<std::string>& lines) {
    if (lines.empty())
        return;
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row + static_cast<int>(lines.size()) - 1);
    lines_.Insert(static_cast<std::size_t>(row), lines);
    endInsertRows();
}

LineListView::LineListView(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setItemDelegate(new LineDelegate(model_, this));
    // One row size and layout in slices: a million rows show at once and the window never stalls.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(20000);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void LineListView::SetLines(LineStore lines) {
    model_.SetLines(std::move(lines));
    // The row size depends on the widest line, which just changed.
    setUniformItemSizes(false);
    setUniformItemSizes(true);
}

void LineListView::RemoveSelectedLines() {
    // Ranges merged and removed from the bottom up, so the rows above keep their numbers; a select-all
    // is one range however many rows it holds.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& range : ranges) {
        if (!merged.empty() && range.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, range.second);
        else
            merged.push_back(range);
    }
    for (auto it = merged.rbegin(); it != merged.rend(); ++it)
        model_.removeRows(it->first, it->second - it->first + 1);
}

void LineListView::InsertLinesHere(const std::vector<std::string>& lines) {
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : model_.rowCount();
    model_.InsertLines(row, lines);
    setCurrentIndex(model_.index(row, 0));
}

void LineListView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && state() != EditingState) {
        RemoveSelectedLines();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace hozonix::ui
