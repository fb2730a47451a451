#pragma once
// The layout and printer choices of the previewed report, shared by the preview window and the page
// layout dialog. One record for the whole program, created at start and dropped at the end; it is never
// stored in a file.

#include <cstdint>
#include <string>

namespace hozonix::printing {

struct ReportDefinition {
    int32_t RANGE = 0;
    std::string NAME;  // at most 30 bytes
    std::string TITLE; // at most 60 bytes
    bool CK_RESIZE = false;
    double MG_TOP = 0;
    double MG_BOTOM = 0;
    double MG_LEFT = 0;
    double MG_RIGHT = 0;
    double DETAIL_HEIGHT = 60.0;
    double MG_COLUMN = 0;
    uint8_t Orientation = 0; // 0 portrait, 1 landscape
    int16_t COLUMNS = 0;
    int16_t RowCount = 0; // kept, not applied
    bool CK_OUTPUTBIN = false;
    int16_t OUTPUTBIN_NO = 0;
    int32_t PRINTER_INDEX = -1;
};

} // namespace hozonix::printing
