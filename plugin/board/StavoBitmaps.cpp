#include "StavoBitmaps.h"

std::unique_ptr<platform::CBitmap> LoadStavoBitmap(int id)
{
    return platform::CBitmap::LoadFromResource(kStavoBitmapPrefix, id);
}
