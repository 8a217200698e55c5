// A bitmap resource, identified by its number, as the drawing code loads and stretches it.
#pragma once

#include "Geometry.h"

#include <QImage>

#include <memory>
#include <string_view>

namespace platform {

class CBitmap {
public:
    // A bitmap numbered `id` holding `image` (kept in a format that paints without conversion).
    CBitmap(int id, QImage image);

    // The bitmap numbered `id` among the Qt resources of the running program and its libraries,
    // at ":/<prefix>/<id>.bmp"; nullptr when there is none or it cannot be read. Slashes around
    // the prefix do not matter.
    static std::unique_ptr<CBitmap> LoadFromResource(std::string_view prefix, int id);

    int Id() const { return m_Id; }
    Size GetSize() const { return { m_Image.width(), m_Image.height() }; }
    const QImage& Image() const { return m_Image; }

private:
    int m_Id;
    QImage m_Image;
};

} // namespace platform
