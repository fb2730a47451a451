#pragma once
// What a PDF file written by a print queue holds, read with poppler's command-line tools.

#include <QString>
#include <QStringList>

#include <string>

namespace hozonix::test {

// What a program writes to its standard output (waiting up to 20 seconds for it to end).
QString RunTool(const QString& program, const QStringList& args);

// The page count pdfinfo reports, -1 when it reports none.
int PdfPages(const std::string& path);
// The text of one page (1-based), in compatibility form so that full-width and half-width forms compare.
QString PdfText(const std::string& path, int page);

} // namespace hozonix::test
