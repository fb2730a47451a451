#include "app/JapaneseTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace hozonix::app {

namespace {

// Words Qt 6 moved to a context of their own and the distribution's Japanese translation does not have
// yet: the "type" column of the file dialogs.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* = nullptr,
                      int = -1) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const struct {
            const char* english;
            const char* japanese;
        } kTexts[] = {{"Folder", "フォルダ"},
                      {"Drive", "ドライブ"},
                      {"Shortcut", "ショートカット"},
                      {"Unknown", "不明"}};
        for (const auto& text : kTexts) {
            if (qstrcmp(sourceText, text.english) == 0)
                return QString::fromUtf8(text.japanese);
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

QString QtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool InstallJapaneseQtTexts(QCoreApplication& app, const QString& folder) {
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
    auto* translator = new QTranslator(&app);
    if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace hozonix::app
