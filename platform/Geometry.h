// Points, sizes, rectangles and colours in the form the drawing and mouse code expect.
#pragma once

#include <cstdint>

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Right and bottom are exclusive, as on the desktop platform the tools come from.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // Left and top inclusive, right and bottom exclusive.
    bool Contains(Point p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 0x00BBGGRR, the layout of the platform's colour values.
using Color = std::uint32_t;

constexpr Color Rgb(int r, int g, int b)
{
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Color c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Color c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

} // namespace platform
