#pragma once
// The main window's check list: profile names with tick boxes, filled top to bottom in two columns that
// share the list's width, with no tab stop.

#include <QListWidget>

#include <string>
#include <vector>

namespace hozonix::mainwindow {

class ProfileCheckList : public QListWidget {
public:
    static constexpr int Columns = 2;
    static constexpr int ItemHeight = 16;

    explicit ProfileCheckList(QWidget* parent = nullptr);

    // Replaces the entries by the names, all unticked.
    void SetNames(const std::vector<std::string>& names);
    std::vector<std::string> Names() const;
    std::string NameAt(int index) const;
    bool IsTicked(int index) const;
    void SetTicked(int index, bool ticked);
    // Index of the selected entry, -1 when none is selected.
    int Selected() const;
    void Select(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitColumns();
};

} // namespace hozonix::mainwindow
