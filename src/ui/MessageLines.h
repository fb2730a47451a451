#pragma once
// The lines of a multi-line text box, and the text forms in which the message list saves and copies
// them.
//
// A box filled with lines holds each line followed by a line break, so that it can tell "no lines" (an
// empty text) from "one empty line" (a single line break). Reading it back, a last line that is empty
// is the place after the final line break and not a line of its own.

#include <string>
#include <vector>

class QString;

namespace hozonix::ui {

QString TextOfLines(const std::vector<std::string>& lines);
std::vector<std::string> LinesOfText(const QString& text);

// Every line followed by CR LF.
std::string TextWithLineBreaks(const std::vector<std::string>& lines);
// All lines as one comma text (quoted where needed) followed by CR LF.
std::string CommaTextLine(const std::vector<std::string>& lines);
// The lines with CR LF between them, none after the last.
std::string JoinedWithLineBreaks(const std::vector<std::string>& lines);
// The lines with "," between them and no quoting.
std::string JoinedWithCommas(const std::vector<std::string>& lines);

} // namespace hozonix::ui
