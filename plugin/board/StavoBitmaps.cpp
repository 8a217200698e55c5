#include "StavoBitmaps.h"

#include <algorithm>

namespace {

// The resources the build compiles in and the names the drawing uses are the same numbers.
constexpr int kCompiledIn[] = { STAVO_BITMAP_NUMBERS };
constexpr StavoBitmapId kNamed[]
    = { BitmapGreenLanding, BitmapRedLanding, BitmapRedTakeOff, BitmapRedOnGround,
          BitmapGreenTaxiing, BitmapRedTaxiing, BitmapBlueTakeOff, BitmapBlueOnGround };
static_assert(std::ranges::equal(kCompiledIn, kNamed), "StavoBitmapId and the resources differ");

} // namespace

std::unique_ptr<platform::CBitmap> LoadStavoBitmap(int id)
{
    return platform::CBitmap::LoadFromResource(kStavoBitmapPrefix, id);
}
