#pragma once
// The progress window of a foreground print.

#include "report/PrintProgress.h"

#include <QLabel>
#include <QWidget>

namespace hozonix::report {

class PrintProgressWindow : public QWidget, public PrintProgress {
public:
    explicit PrintProgressWindow(QWidget* parent = nullptr);

    void Show() override;
    void PageGenerated(int pageNumber) override;
    void Hide() override;

    QString Text() const { return label_->text(); }

private:
    QLabel* label_;
};

} // namespace hozonix::report
