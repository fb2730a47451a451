#include "ui/JapaneseFonts.h"

namespace hozonix::ui {

QFont GothicFont(int pixelSize) {
    QFont font(QStringLiteral("IPAexGothic"));
    // Should the face be missing, fontconfig's sans fallback still covers the Japanese glyphs.
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace hozonix::ui
