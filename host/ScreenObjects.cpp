#include "ScreenObjects.h"

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

platform::Rect MoveWithMouse(
    const platform::Rect& area, platform::Point grab, platform::Point mouse)
{
    const int dx = mouse.x - grab.x;
    const int dy = mouse.y - grab.y;
    return platform::Rect { area.left + dx, area.top + dy, area.right + dx, area.bottom + dy };
}

platform::Point CentreOf(const platform::Rect& area)
{
    return platform::Point { area.left + area.Width() / 2, area.top + area.Height() / 2 };
}

} // namespace host
