#include "mainwindow/HistoryDialog.h"

#include "settings/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hozonix::mainwindow {

HistoryDialog::HistoryDialog(IniFile& settings, std::vector<std::string> names, int selected, QWidget* parent)
    : QDialog(parent), settings_(settings), names_(std::move(names)) {
    setObjectName("HistoryDialog");
    setWindowTitle(QStringLiteral("以前の版の保存"));
    profile_ = new QComboBox(this);
    for (const std::string& name : names_)
        profile_->addItem(QString::fromStdString(name));
    keep_ = new QCheckBox(QStringLiteral("置き換えるファイルの以前の版を残す"), this);
    days_ = new QSpinBox(this);
    days_->setRange(1, MaxHistoryDays);
    days_->setSuffix(QStringLiteral(" 日"));
    versions_ = new QSpinBox(this);
    versions_->setRange(1, MaxHistoryVersions);
    versions_->setSuffix(QStringLiteral(" 版"));
    auto* note =
        new QLabel(QStringLiteral("以前の版は、コピー先フォルダの .hozonix/history に実行日時ごとに残り、"
                                  "実行のたびに保存期間と版数を超えたものが削除されます。"),
                   this);
    note->setWordWrap(true);
    note->setFixedWidth(note->fontMetrics().averageCharWidth() * 40);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("保存プロファイル"), profile_);
    form->addRow(keep_);
    form->addRow(QStringLiteral("保存期間"), days_);
    form->addRow(QStringLiteral("ファイルごとの版数"), versions_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &HistoryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &HistoryDialog::reject);
    connect(keep_, &QCheckBox::toggled, this, [this] { Enable(); });
    connect(profile_, &QComboBox::currentIndexChanged, this, [this](int index) {
        Remember();
        Show(index);
    });

    if (selected < 0 || selected >= static_cast<int>(names_.size()))
        selected = 0;
    profile_->setCurrentIndex(selected);
    Show(profile_->currentIndex());
}

void HistoryDialog::Show(int index) {
    shown_ = index;
    if (index < 0) {
        keep_->setEnabled(false);
        Enable();
        return;
    }
    const auto found = chosen_.find(index);
    const HistoryChoice choice = found != chosen_.end()
                                     ? found->second
                                     : ReadHistoryChoice(settings_, names_[static_cast<std::size_t>(index)]);
    keep_->setChecked(choice.keep);
    days_->setValue(choice.days);
    versions_->setValue(choice.versions);
    Enable();
}

void HistoryDialog::Remember() {
    if (shown_ >= 0)
        chosen_[shown_] = {keep_->isChecked(), days_->value(), versions_->value()};
}

void HistoryDialog::Enable() {
    days_->setEnabled(keep_->isEnabled() && keep_->isChecked());
    versions_->setEnabled(keep_->isEnabled() && keep_->isChecked());
}

void HistoryDialog::accept() {
    Remember();
    for (const auto& [index, choice] : chosen_) {
        const std::string& name = names_[static_cast<std::size_t>(index)];
        const HistoryChoice stored = ReadHistoryChoice(settings_, name);
        // Profiles looked at but left as they were get no line.
        if (stored.keep != choice.keep || stored.days != choice.days || stored.versions != choice.versions)
            StoreHistoryChoice(settings_, name, choice);
    }
    QDialog::accept();
}

} // namespace hozonix::mainwindow
