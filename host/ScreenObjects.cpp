#include "ScreenObjects.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace host {

const ScreenObject* CScreenObjects::HitTest(platform::Point point) const
{
    for (auto it = m_Objects.rbegin(); it != m_Objects.rend(); ++it)
        if (it->area.Contains(point))
            return &*it;
    return nullptr;
}

const ScreenObject* CScreenObjects::FindById(std::string_view id) const
{
    for (auto it = m_Objects.rbegin(); it != m_Objects.rend(); ++it)
        if (it->id == id)
            return &*it;
    return nullptr;
}

namespace {

// Window pixels come from the user or a script and may be anywhere in int's range; the
// arithmetic is done wide and the result held at the range's ends rather than wrapped.
int Saturated(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(
        value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

platform::Rect MoveWithMouse(
    const platform::Rect& area, platform::Point grab, platform::Point mouse)
{
    const std::int64_t dx = std::int64_t { mouse.x } - grab.x;
    const std::int64_t dy = std::int64_t { mouse.y } - grab.y;
    return platform::Rect { Saturated(area.left + dx), Saturated(area.top + dy),
        Saturated(area.right + dx), Saturated(area.bottom + dy) };
}

platform::Point CentreOf(const platform::Rect& area)
{
    // Half way between the edges always fits in an int, even when the width does not.
    const auto middle = [](int low, int high) {
        return static_cast<int>(low + (std::int64_t { high } - low) / 2);
    };
    return platform::Point { middle(area.left, area.right), middle(area.top, area.bottom) };
}

} // namespace host
