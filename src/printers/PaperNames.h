#pragma once
// The report engine's paper-size codes and paper-source values as text, and back. All comparisons are
// exact and case-sensitive.

#include <string>

namespace hozonix::printing {

// Paper code of a paper name as the printer reports it. Names that contain "A3", "A4", "A5", "B4", "B5"
// or "PostcardJap" map by substring, so a driver's "A4 210 x 297 mm" is A4; other names must match a
// table name exactly; anything else (and the empty name) is 0, the default paper.
int PaperCodeFromName(const std::string& name);

// The table name of a paper code; unknown codes give "Default".
std::string PaperNameFromCode(int code);

// The Japanese name of a common sheet (hundredths of a millimetre, either way round, within a
// millimetre): "A4", "B5 (JIS)", "はがき", "レター", "リーガル", "封筒 長形3号" ...; "" for any other.
std::string JapanesePaperName(int width, int length);

// The common Japanese name of a tray the printer names in English ("Tray 2" トレイ2, "Manual Feed" 手差し,
// "Automatically Select" 自動選択 ...); any other name as it is.
std::string JapaneseTrayName(const std::string& name);

// The name of a paper-source value 0..13 ("First" .. "Last"); any other value gives "不明".
std::string BinNameFromValue(int value);

} // namespace hozonix::printing
