#include "ui/ThemeIcons.h"

#include <QImage>

// The drawings are compiled into this library; a static library must register them itself.
static void RegisterToolIcons() {
    Q_INIT_RESOURCE(toolicons);
}

namespace hozonix::ui {

QPixmap FadedPixmap(const QPixmap& pixmap) {
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 3);
        }
    }
    QPixmap faded = QPixmap::fromImage(image);
    faded.setDevicePixelRatio(pixmap.devicePixelRatio());
    return faded;
}

QIcon ThemedIcon(std::initializer_list<const char*> themeNames, const char* fallback) {
    static const bool registered = (RegisterToolIcons(), true);
    (void)registered;

    QIcon source;
    for (const char* name : themeNames) {
        if (QIcon::hasThemeIcon(QString::fromLatin1(name))) {
            source = QIcon::fromTheme(QString::fromLatin1(name));
            break;
        }
    }
    if (source.isNull()) {
        const QString base = QStringLiteral(":/hozonix/tool/") + QString::fromLatin1(fallback);
        source.addFile(base + QStringLiteral(".png"));
        source.addFile(base + QStringLiteral("-48.png"));
    }
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        const QPixmap normal = source.pixmap(QSize(size, size));
        if (normal.isNull())
            continue;
        icon.addPixmap(normal, QIcon::Normal);
        icon.addPixmap(FadedPixmap(normal), QIcon::Disabled);
    }
    return icon;
}

} // namespace hozonix::ui
