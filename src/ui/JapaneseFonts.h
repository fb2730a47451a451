#pragma once
// The Japanese Gothic face every window uses, at a pixel height.

#include <QFont>

namespace hozonix::ui {

QFont GothicFont(int pixelSize = 12);

} // namespace hozonix::ui
