// The clickable areas a display registers while it paints, and the geometry of dragging one.
#pragma once

#include "platform/Geometry.h"

#include <string>
#include <string_view>
#include <vector>

namespace host {

struct ScreenObject {
    int type = 0;
    std::string id;
    platform::Rect area;
    bool movable = false;
    std::string message;
};

// The objects of one refresh, in the order they were registered: a later one lies on top.
class CScreenObjects {
public:
    void Clear() { m_Objects.clear(); }
    void Add(ScreenObject object) { m_Objects.push_back(std::move(object)); }
    const std::vector<ScreenObject>& All() const { return m_Objects; }

    // The topmost object containing the point (left and top inclusive, right and bottom
    // exclusive), or nullptr.
    const ScreenObject* HitTest(platform::Point point) const;
    // The topmost object with this id (exact), or nullptr.
    const ScreenObject* FindById(std::string_view id) const;

private:
    std::vector<ScreenObject> m_Objects;
};

// The object's rectangle after the mouse moved from `grab` to `mouse`: it keeps its offset to
// the mouse. An edge that would leave int's range stays at its end.
platform::Rect MoveWithMouse(
    const platform::Rect& area, platform::Point grab, platform::Point mouse);

// The centre of a rectangle, where a script grabs an object.
platform::Point CentreOf(const platform::Rect& area);

} // namespace host
