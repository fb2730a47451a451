#pragma once
// Icons from the desktop's icon theme (so that the program looks at home under GNOME and KDE alike),
// with the program's own drawings where the theme has none. The disabled state is always drawn grey and
// faded, so that a button that cannot be used is told apart at sight from one that can, whatever the
// theme or style would make of it.

#include <QIcon>
#include <QPixmap>

#include <initializer_list>

namespace hozonix::ui {

// The first of `themeNames` the theme has, else the drawing `fallback` ("run-menu", "written-files",
// "failed-files", "new-profile", "save-list").
QIcon ThemedIcon(std::initializer_list<const char*> themeNames, const char* fallback);

// The pixmap in grey, at a third of its opacity.
QPixmap FadedPixmap(const QPixmap& pixmap);

} // namespace hozonix::ui
