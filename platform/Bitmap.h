// A bitmap resource, identified by its number, as the drawing code loads and stretches it.
#pragma once

#include "Geometry.h"

#include <memory>
#include <string_view>

namespace platform {

class CBitmap {
public:
    // The pixels behind a bitmap; known only to the platform's painters (BitmapImage.h).
    struct Pixels;

    // A bitmap numbered `id` holding `pixels`; made by the platform (BitmapFromImage,
    // LoadFromResource). Without pixels the bitmap is empty.
    CBitmap(int id, std::unique_ptr<Pixels> pixels);
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // The bitmap numbered `id` among the Qt resources of the running program and its libraries,
    // at ":/<prefix>/<id>.bmp"; nullptr when there is none or it cannot be read. Slashes around
    // the prefix do not matter.
    static std::unique_ptr<CBitmap> LoadFromResource(std::string_view prefix, int id);

    int Id() const { return m_Id; }
    Size GetSize() const { return m_Size; }
    const Pixels& GetPixels() const { return *m_Pixels; }

private:
    int m_Id;
    std::unique_ptr<Pixels> m_Pixels; // never null
    Size m_Size;
};

} // namespace platform
