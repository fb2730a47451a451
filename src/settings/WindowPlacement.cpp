#include "settings/WindowPlacement.h"

#include "settings/CommaText.h"
#include "settings/IniFile.h"

#include <charconv>

namespace hozonix {

Rect FallbackRect(int screenWidth, int screenHeight) {
    return Rect{5, 0, screenWidth - 20, screenHeight - 60};
}

int LenientToInt(std::string_view text) {
    std::string kept;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if ((c >= '0' && c <= '9') || (c == '-' && i == 0))
            kept += c;
    }
    int value = 0;
    auto [end, ec] = std::from_chars(kept.data(), kept.data() + kept.size(), value);
    if (ec != std::errc() || end != kept.data() + kept.size())
        return 0;
    return value;
}

void SaveWindowPlacement(IniFile& settings, const WindowGeometry& window) {
    std::string text = std::to_string(window.Left()) + "," + std::to_string(window.Top()) + "," +
                       std::to_string(window.Width()) + "," + std::to_string(window.Height());
    settings.WriteIniString(PlacementSection, window.PlacementKey(), text);
}

bool RestoreWindowPlacement(const IniFile& settings, WindowGeometry& window, const Rect& fallback) {
    std::vector<std::string> items =
        SplitCommaText(settings.ReadIniString(PlacementSection, window.PlacementKey()));
    if (items.size() >= 4) {
        int left = LenientToInt(items[0]);
        int top = LenientToInt(items[1]);
        int width = LenientToInt(items[2]);
        int height = LenientToInt(items[3]);
        if (left > 0 && top > 0 && width > 0 && height > 0) {
            window.SetTop(top);
            window.SetLeft(left);
            window.SetWidth(width);
            window.SetHeight(height);
            return true;
        }
        return false;
    }
    window.SetTop(fallback.Top);
    if (window.Width() > fallback.Width()) {
        window.SetLeft(fallback.Left);
        window.SetWidth(fallback.Width());
    }
    if (fallback.Height() < window.Height())
        window.SetHeight(fallback.Height());
    return false;
}

} // namespace hozonix
