#pragma once
// A two-column list report like the one the program prints its lists with, fed from a vector of lines.

#include "report/Report.h"

#include <QStringList>

namespace hozonix::test {

struct SampleListReport {
    SampleListReport();

    report::Report report{"Report1"};
    QStringList lines;
    int cursor = 0;
    int needDataCalls = 0;
    report::ReportLabel* dataLabel = nullptr;
    report::ReportLabel* pageLabel = nullptr;
};

} // namespace hozonix::test
