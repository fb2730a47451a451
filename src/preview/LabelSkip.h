#pragma once
// The answer of the label-skip box as a number: full-width digits and kanji numerals count as digits,
// full-width and long-vowel dashes and the wave dash as a minus sign, and then the settings file's
// lenient rule applies (digits kept, a minus sign only as the very first character, else 0).

#include <QString>

namespace hozonix::preview {

QString NormaliseLabelSkipText(const QString& text);
int LabelSkipCountOf(const QString& text);

} // namespace hozonix::preview
