#pragma once
// Maps the report's paper-source values (0 "First" .. 13 "Last") to the printer source numbers that
// printing uses. Printer setup replaces the number of "Upper" with the chosen printer's default source,
// so a source the fixed numbering cannot name still reaches the printer.

#include <array>

namespace hozonix::report {

inline constexpr int kSourceUpper = 1;
inline constexpr int kSourceManual = 4;
inline constexpr int kSourceAuto = 7;
inline constexpr int kSourceCassette = 12;
inline constexpr int kSourceLast = 13;

class PaperSourceTable {
public:
    PaperSourceTable();

    // The printer source number for a paper-source value; a value outside 0..13 gives the number of Auto.
    int PrinterSourceNumber(int paperSource) const;
    void SetUpperSource(int printerSourceNumber) { numbers_[kSourceUpper] = printerSourceNumber; }

private:
    std::array<int, 14> numbers_;
};

} // namespace hozonix::report
