// The image behind a bitmap, for the platform's painters and for tests; the plug-in and the
// drawing code see only Bitmap.h.
#pragma once

#include "Bitmap.h"

#include <QImage>

namespace platform {

struct CBitmap::Pixels {
    QImage image;
};

// A bitmap numbered `id` holding `image`, kept in a format that paints without conversion.
CBitmap BitmapFromImage(int id, QImage image);

inline const QImage& BitmapImage(const CBitmap& bitmap)
{
    return bitmap.GetPixels().image;
}

} // namespace platform
