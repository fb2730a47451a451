#pragma once
// What the page layout dialog does to a report, apart from its window: the detail band's height, the
// report definition put onto the report, and the texts the dialog reads and writes.

#include "preview/ReportDefinition.h"

#include <QString>

#include <optional>
#include <string>

namespace hozonix::report {
class Report;
}

namespace hozonix::preview {

// The band whose height the dialog edits.
inline const char* const kDetailBandName = "Detail";

// Raise AppError when the report has no such band.
double DetailBandHeight(const report::Report& report);
void SetDetailBandHeight(report::Report& report, double mm);

// Puts the record onto the report: orientation, top and bottom margins rounded to whole millimetres
// (halves to the even neighbour), left and right margins as they are, the column space, and the column
// count unless it is below 1. Raises AppError while the report is generating.
void ApplyReportDefinition(const ReportDefinition& definition, report::Report& report);

// Rounds to the nearest whole number; an exact half goes to the even neighbour (12.5 to 12, 13.5 to 14).
double RoundHalfToEven(double value);

// A length as the fields show it: one decimal, always with a full stop.
QString MillimetreText(double mm);
// The number in a field, blanks around it allowed; nothing for any other text.
std::optional<double> NumberFromText(const QString& text);
// A whole number in a field that fits 16 bits, blanks around it allowed; nothing otherwise.
std::optional<int16_t> SmallIntegerFromText(const QString& text);

// The question asked before the margin settings are kept.
std::string SaveQuestion(const std::string& title);

} // namespace hozonix::preview
