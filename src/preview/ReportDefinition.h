#pragma once
// The layout and printer choices of the previewed report, shared by the preview window and the page
// layout dialog. One record for the whole program, created at start and dropped at the end; it is never
// stored in a file.

#include <cstdint>
#include <string>

namespace hozonix::preview {

struct ReportDefinition {
    int32_t Number = 0;        // shown in the printer information, not applied
    std::string Name;          // at most 30 bytes
    std::string Title;         // at most 60 bytes
    bool LayoutChosen = false; // set once the page layout dialog stored its fields
    double TopMargin = 0;
    double BottomMargin = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    double DetailHeight = 60.0;
    double ColumnSpace = 0;  // between newspaper columns
    uint8_t Orientation = 0; // 0 portrait, 1 landscape
    int16_t Columns = 0;
    int16_t RowCount = 0; // kept, not applied
    // A print through the printer dialog takes PaperSource again while PrinterIndex is still selected.
    bool KeepPaperSource = false;
    int16_t PaperSource = 0;
    int32_t PrinterIndex = -1;
};

} // namespace hozonix::preview
