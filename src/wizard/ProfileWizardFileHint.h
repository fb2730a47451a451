#pragma once
// The status text the wizard shows for the file pane entry under the mouse pointer: its size in bytes or
// kilobytes and its date, or the pane's folder when the entry has no size (a folder, an empty file).

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>

namespace hozonix::wizard {

// size / 1024 as a money amount of the locale without any currency sign: digit grouping and the
// locale's number of currency decimals, rounded. 2048 gives "2" on a Japanese locale, "2.00" in the US.
QString KilobyteText(std::int64_t size, const QLocale& locale);

// The locale's short date, a blank and its long time without the time-zone name; the date alone when
// the time is exactly midnight.
QString FileDateText(const QDateTime& modified, const QLocale& locale);

// entry " = " size "B  " date for 1 to 1024 bytes, entry " = " kilobytes "KB   " date above that, and
// the folder for a size of 0 or less.
QString FileHintText(const QString& entryText, std::int64_t size, const QDateTime& modified,
                     const QString& folder, const QLocale& locale);

} // namespace hozonix::wizard
