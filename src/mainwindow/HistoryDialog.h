#pragma once
// The Tool menu's dialog for the earlier versions each profile keeps: on or off, how many days and how
// many versions of one file. What is chosen for each profile is stored when OK is pressed.

#include "settings/HistorySettings.h"

#include <QDialog>

#include <map>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace hozonix {
class IniFile;
}

namespace hozonix::mainwindow {

class HistoryDialog : public QDialog {
public:
    // `selected`: the profile shown first (its index in `names`; -1: the first).
    HistoryDialog(IniFile& settings, std::vector<std::string> names, int selected, QWidget* parent = nullptr);

    QComboBox* Profile() const { return profile_; }
    QCheckBox* Keep() const { return keep_; }
    QSpinBox* Days() const { return days_; }
    QSpinBox* Versions() const { return versions_; }

    void accept() override;

private:
    void Show(int index);
    void Remember();
    void Enable();

    IniFile& settings_;
    std::vector<std::string> names_;
    std::map<int, HistoryChoice> chosen_;
    int shown_ = -1;
    QComboBox* profile_;
    QCheckBox* keep_;
    QSpinBox* days_;
    QSpinBox* versions_;
};

} // namespace hozonix::mainwindow
