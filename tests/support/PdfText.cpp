#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>

namespace hozonix::test {

QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const std::string& path) {
    const auto match =
        QRegularExpression("Pages:\\s+(\\d+)").match(RunTool("pdfinfo", {QString::fromStdString(path)}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString PdfText(const std::string& path, int page) {
    const QString n = QString::number(page);
    return RunTool("pdftotext", {"-f", n, "-l", n, QString::fromStdString(path), "-"})
        .normalized(QString::NormalizationForm_KC);
}

} // namespace hozonix::test
