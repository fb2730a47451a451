#pragma once
// How the printing system's media and input trays map onto the paper-size codes and paper-source
// numbers the report engine uses. Sizes are in hundredths of a millimetre, portrait (width <= length).

#include <optional>
#include <string>

namespace hozonix::printing {

// Paper numbers from here on are the printer's own sizes that have no code of their own.
inline constexpr int kFirstPrinterPaperNumber = 256;
// Paper-source numbers from here on are trays without a standard number.
inline constexpr int kFirstPrinterBinNumber = 256;

struct PaperDimensions {
    int width;
    int length;
};

// The paper code whose sheet has this size (either orientation, within half a millimetre), or 0.
int PaperCodeForSize(int width, int length);

// The sheet size of a paper code, when the code names a fixed size.
std::optional<PaperDimensions> PaperSizeOfCode(int code);

// The longest side of any sheet in the table.
int LargestPaperLength();

// The standard paper-source number of a media-source keyword ("auto" 7, "manual" 4 ...), or 0.
int BinNumberForSourceKeyword(const std::string& keyword);

// The media-source keyword for an input-slot choice of a printer description: the usual names are
// mapped ("Default" is "auto", "Upper" is "top"), others are spelt the way the print server derives
// keywords: lower case, with a dash where letters and digits or lower and upper case meet
// ("Tray2" is "tray-2", "1stTray" is "1st-tray").
std::string SourceKeywordForSlotChoice(const std::string& choice);

} // namespace hozonix::printing
