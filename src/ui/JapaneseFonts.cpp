#include "ui/JapaneseFonts.h"

namespace hozonix::ui {

namespace {

struct DesignFace {
    std::string_view designName;
    QFont::StyleHint hint;
    bool fixedPitch;
    const char* faces[4];
};

const DesignFace kFaces[] = {
    {FixedGothicName,
     QFont::Monospace,
     true,
     {"IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic"}},
    {GothicName, QFont::SansSerif, false, {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"}},
    {FixedMinchoName, QFont::Serif, true, {"IPAMincho", "TakaoMincho", "IPAexMincho", "Noto Serif CJK JP"}},
    {MinchoName, QFont::Serif, false, {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "TakaoPMincho"}},
};

const DesignFace& FaceFor(std::string_view designName) {
    for (const DesignFace& face : kFaces) {
        if (face.designName == designName)
            return face;
    }
    return kFaces[1];
}

} // namespace

QStringList FacesForDesignName(std::string_view designName) {
    QStringList faces;
    for (const char* face : FaceFor(designName).faces)
        faces << QString::fromLatin1(face);
    return faces;
}

QFont DesignFont(std::string_view designName, int pixelSize) {
    const DesignFace& face = FaceFor(designName);
    QFont font;
    // Qt tries each family in turn for every glyph; when none is installed, the style hint lets
    // fontconfig choose a monospace, sans-serif or serif face that covers Japanese.
    font.setFamilies(FacesForDesignName(designName));
    font.setStyleHint(face.hint);
    font.setFixedPitch(face.fixedPitch);
    font.setPixelSize(pixelSize);
    return font;
}

QFont GothicFont(int pixelSize) {
    return DesignFont(GothicName, pixelSize);
}

QFont FixedGothicFont(int pixelSize) {
    return DesignFont(FixedGothicName, pixelSize);
}

} // namespace hozonix::ui
