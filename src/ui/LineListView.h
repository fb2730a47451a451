#pragma once
// The message list's view of a long list: only the rows on screen are drawn, from a LineStore. A line
// is edited in place (double click or F2), selected lines are removed with Delete and lines from the
// clipboard are inserted above the current one.

#include "ui/LineStore.h"

#include <QAbstractListModel>
#include <QListView>

#include <string>
#include <vector>

namespace hozonix::ui {

class LineListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void SetLines(LineStore lines);
    const LineStore& Lines() const { return lines_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    void InsertLines(int row, const std::vector<std::string>& lines);

private:
    LineStore lines_;
};

class LineListView : public QListView {
public:
    explicit LineListView(QWidget* parent = nullptr);

    LineListModel& Model() { return model_; }
    void SetLines(LineStore lines);
    // Removes the selected lines; inserts lines above the current one (at the end without one).
    void RemoveSelectedLines();
    void InsertLinesHere(const std::vector<std::string>& lines);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    LineListModel model_;
};

} // namespace hozonix::ui
