#include "preview/LabelSkip.h"

#include "settings/WindowPlacement.h"

namespace hozonix::preview {

QString NormaliseLabelSkipText(const QString& text) {
    static const QString fullWidthDigits = QStringLiteral("０１２３４５６７８９");
    static const QString kanjiDigits = QStringLiteral("〇一二三四五六七八九");
    static const QString dashes = QStringLiteral("－ー～");
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (const auto at = fullWidthDigits.indexOf(c); at >= 0)
            out += QChar(static_cast<char16_t>(u'0' + at));
        else if (const auto kanji = kanjiDigits.indexOf(c); kanji >= 0)
            out += QChar(static_cast<char16_t>(u'0' + kanji));
        else if (dashes.contains(c))
            out += u'-';
        else
            out += c;
    }
    return out;
}

int LabelSkipCountOf(const QString& text) {
    return LenientToInt(NormaliseLabelSkipText(text).toStdString());
}

} // namespace hozonix::preview
