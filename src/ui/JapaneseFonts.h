#pragma once
// The one place where the faces the window designs name ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝",
// "ＭＳ Ｐ明朝") become faces installed on this machine: the IPA faces first (fonts-ipafont-gothic,
// fonts-ipafont-mincho), then other Japanese faces, then fontconfig's monospace, sans-serif or serif
// choice for Japanese. The fixed-pitch names map to faces whose Latin letters are half and whose
// Japanese letters are full width, so that lists line up in columns as designed.

#include <QFont>
#include <QStringList>

#include <string_view>

namespace hozonix::ui {

inline constexpr std::string_view FixedGothicName = "ＭＳ ゴシック";
inline constexpr std::string_view GothicName = "ＭＳ Ｐゴシック";
inline constexpr std::string_view FixedMinchoName = "ＭＳ 明朝";
inline constexpr std::string_view MinchoName = "ＭＳ Ｐ明朝";

// The faces tried for a design name, best first; an unknown name gets those of "ＭＳ Ｐゴシック".
QStringList FacesForDesignName(std::string_view designName);

// The font for a design name at a pixel height.
QFont DesignFont(std::string_view designName, int pixelSize);

// "ＭＳ Ｐゴシック", the face every window uses.
QFont GothicFont(int pixelSize = 12);
// "ＭＳ ゴシック", for lists that line up in columns.
QFont FixedGothicFont(int pixelSize = 12);

} // namespace hozonix::ui
