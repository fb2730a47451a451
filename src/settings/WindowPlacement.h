#pragma once
// Storing and restoring a window's outer position and size under "LAST_Position", one key per window
// ("fmFileSave", "PrevForm", ...). Windows take part through the small WindowGeometry interface.

#include <string>
#include <string_view>

namespace hozonix {

class IniFile;

struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

class WindowGeometry {
public:
    virtual ~WindowGeometry() = default;
    virtual std::string PlacementKey() const = 0;
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetLeft(int v) = 0;
    virtual void SetTop(int v) = 0;
    virtual void SetWidth(int v) = 0;
    virtual void SetHeight(int v) = 0;
};

inline constexpr std::string_view PlacementSection = "LAST_Position";

// The rectangle every window falls back on: left 5, top 0, right = screen width - 20,
// bottom = screen height - 60.
Rect FallbackRect(int screenWidth, int screenHeight);

// Keeps the digits of the text (and a minus sign that is its very first character) and converts them;
// empty or out-of-range text gives 0. "12a3" gives 123.
int LenientToInt(std::string_view text);

void SaveWindowPlacement(IniFile& settings, const WindowGeometry& window);
// True when a stored placement was applied; false when the window kept its own or took the fallback.
bool RestoreWindowPlacement(const IniFile& settings, WindowGeometry& window, const Rect& fallback);

} // namespace hozonix
