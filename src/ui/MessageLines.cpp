#include "ui/MessageLines.h"

#include "settings/CommaText.h"

#include <QString>
#include <QStringList>

namespace hozonix::ui {

namespace {

std::string Joined(const std::vector<std::string>& lines, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += separator;
        out += lines[i];
    }
    return out;
}

} // namespace

QString TextOfLines(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) {
        text += QString::fromUtf8(line);
        text += QLatin1Char('\n');
    }
    return text;
}

std::vector<std::string> LinesOfText(const QString& text) {
    QString plain = text;
    // A text document separates its blocks with paragraph separators.
    plain.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList parts = plain.split(QLatin1Char('\n'));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(parts.size()));
    for (const QString& part : parts)
        lines.push_back(part.toStdString());
    return lines;
}

std::string TextWithLineBreaks(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

std::string CommaTextLine(const std::vector<std::string>& lines) {
    return JoinCommaText(lines) + "\r\n";
}

std::string JoinedWithLineBreaks(const std::vector<std::string>& lines) {
    return Joined(lines, "\r\n");
}

std::string JoinedWithCommas(const std::vector<std::string>& lines) {
    return Joined(lines, ",");
}

} // namespace hozonix::ui
