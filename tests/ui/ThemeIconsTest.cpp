#include "ui/ThemeIcons.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

using namespace hozonix::ui;

namespace {

struct Look {
    double opacity = 0; // mean alpha, 0 to 1
    double colour = 0;  // mean distance of the visible pixels from grey
};

Look LookOf(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Look look;
    double visible = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            look.opacity += qAlpha(p) / 255.0;
            if (qAlpha(p) > 0) {
                look.colour +=
                    std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)});
                ++visible;
            }
        }
    }
    look.opacity /= image.width() * image.height();
    if (visible > 0)
        look.colour /= visible;
    return look;
}

} // namespace

TEST(ThemeIcons, DisabledIsGreyAndFadedApartFromEnabled) {
    // The test platform has no icon theme: the program's own drawings stand in, at every size asked.
    for (const char* fallback : {"run-menu", "written-files", "failed-files", "new-profile", "save-list"}) {
        const QIcon icon = ThemedIcon({"no-such-icon-in-any-theme"}, fallback);
        for (int size : {16, 24, 48}) {
            const QPixmap normal = icon.pixmap(QSize(size, size), QIcon::Normal);
            const QPixmap disabled = icon.pixmap(QSize(size, size), QIcon::Disabled);
            ASSERT_FALSE(normal.isNull()) << fallback;
            EXPECT_EQ(normal.size(), QSize(size, size)) << fallback;
            const Look on = LookOf(normal);
            const Look off = LookOf(disabled);
            EXPECT_GT(on.opacity, 0.1) << fallback << " " << size;
            EXPECT_LT(off.opacity, on.opacity * 0.4) << fallback << " " << size;
            EXPECT_LT(off.colour, 1.0) << fallback << " " << size;
        }
    }
    // Colour tells most of them apart when enabled.
    EXPECT_GT(LookOf(ThemedIcon({}, "failed-files").pixmap(24)).colour, 50);
}

TEST(ThemeIcons, FadedKeepsShapeAndScale) {
    QPixmap pixmap(8, 4);
    pixmap.fill(QColor(200, 40, 40));
    pixmap.setDevicePixelRatio(2);
    const QPixmap faded = FadedPixmap(pixmap);
    EXPECT_EQ(faded.size(), pixmap.size());
    EXPECT_EQ(faded.devicePixelRatio(), 2);
    const QRgb p = faded.toImage().convertToFormat(QImage::Format_ARGB32).pixel(3, 2);
    EXPECT_NEAR(qRed(p), qGray(qRgb(200, 40, 40)), 2); // stored premultiplied: rounding
    EXPECT_EQ(qRed(p), qBlue(p));
    EXPECT_EQ(qAlpha(p), 255 / 3);
}
