#include "wizard/ProfileWizardFileHint.h"

namespace hozonix::wizard {

namespace {

// The locale's long time form names the time zone ("t"); a file's local time is shown without it.
QString WithoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

QString KilobyteText(std::int64_t size, const QLocale& locale) {
    // A blank stands in for the currency sign, so that no symbol or currency code is left over.
    QString text = locale.toCurrencyString(static_cast<double>(size) / 1024.0, QStringLiteral(" "));
    text.remove(QLatin1Char('\\'));
    return text.trimmed();
}

QString FileDateText(const QDateTime& modified, const QLocale& locale) {
    QString date = locale.toString(modified.date(), QLocale::ShortFormat);
    const QTime time = modified.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + QLatin1Char(' ') +
           locale.toString(time, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString FileHintText(const QString& entryText, std::int64_t size, const QDateTime& modified,
                     const QString& folder, const QLocale& locale) {
    if (size <= 0)
        return folder;
    if (size <= 1024)
        return entryText + QStringLiteral(" = ") + QString::number(size) + QStringLiteral("B  ") +
               FileDateText(modified, locale);
    return entryText + QStringLiteral(" = ") + KilobyteText(size, locale) + QStringLiteral("KB   ") +
           FileDateText(modified, locale);
}

} // namespace hozonix::wizard
