#pragma once
// Breaking a text into lines that each fit a width, for labels that wrap. Each line is drawn on its own,
// so nothing of a long text is cut off and a PDF holds every line once.

#include <QFont>
#include <QStringList>

namespace hozonix::report {

// The lines of `text` in `font` within `width` (the font's units). Line breaks in the text are kept. A
// line too wide breaks after the last "/" or space that fits, as long as that keeps at least a third of
// the width filled (a path breaks between folders), else after the last character that fits; a line
// holds at least one character. Joined together, the lines give the text again, without its line breaks.
QStringList WrapText(const QString& text, const QFont& font, double width);

} // namespace hozonix::report
