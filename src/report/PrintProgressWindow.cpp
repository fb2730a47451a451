#include "report/PrintProgressWindow.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace hozonix::report {

PrintProgressWindow::PrintProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog), label_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("印刷"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    label_->setMinimumWidth(240);
}

void PrintProgressWindow::Show() {
    label_->setText(QStringLiteral("印刷の準備中です"));
    show();
    QCoreApplication::processEvents();
}

void PrintProgressWindow::PageGenerated(int pageNumber) {
    label_->setText(QStringLiteral("%1 ページ目を作成しました").arg(pageNumber));
    QCoreApplication::processEvents();
}

void PrintProgressWindow::Hide() {
    hide();
}

} // namespace hozonix::report
