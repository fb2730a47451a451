#include "preview/PageLayout.h"

#include "report/Report.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace hozonix::preview {

namespace {

// The text without surrounding blanks and without a leading plus, which from_chars does not take.
std::string Bare(const QString& text) {
    std::string bare = text.trimmed().toStdString();
    if (!bare.empty() && bare.front() == '+') {
        bare.erase(0, 1);
        if (!bare.empty() && bare.front() == '-')
            return {};
    }
    return bare;
}

} // namespace

double DetailBandHeight(const report::Report& report) {
    return report.BandHeight(kDetailBandName);
}

void SetDetailBandHeight(report::Report& report, double mm) {
    report.SetBandHeight(kDetailBandName, mm);
}

void ApplyReportDefinition(const ReportDefinition& definition, report::Report& report) {
    report.SetOrientation(definition.Orientation == 1 ? report::Orientation::Landscape
                                                      : report::Orientation::Portrait);
    report.SetMargins(RoundHalfToEven(definition.TopMargin), RoundHalfToEven(definition.BottomMargin),
                      definition.LeftMargin, definition.RightMargin);
    // The record starts at 0 columns and a stopped store can leave it there: no page has 0 columns.
    if (definition.Columns >= 1)
        report.SetColumns(definition.Columns);
    report.SetColumnSpace(definition.ColumnSpace);
}

double RoundHalfToEven(double value) {
    const double below = std::floor(value);
    const double rest = value - below;
    if (rest < 0.5)
        return below;
    if (rest > 0.5)
        return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

QString MillimetreText(double mm) {
    return QString::asprintf("%.1f", mm);
}

std::optional<double> NumberFromText(const QString& text) {
    const std::string bare = Bare(text);
    double value = 0;
    const char* end = bare.data() + bare.size();
    auto [stop, ec] = std::from_chars(bare.data(), end, value, std::chars_format::general);
    if (bare.empty() || ec != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int16_t> SmallIntegerFromText(const QString& text) {
    const std::string bare = Bare(text);
    int value = 0;
    const char* end = bare.data() + bare.size();
    auto [stop, ec] = std::from_chars(bare.data(), end, value);
    if (bare.empty() || ec != std::errc() || stop != end || value < std::numeric_limits<int16_t>::min() ||
        value > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(value);
}

std::string SaveQuestion(const std::string& title) {
    return title + "の余白設定を更新しますか？";
}

} // namespace hozonix::preview
