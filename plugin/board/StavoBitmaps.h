// The board's status bitmaps, compiled into the plug-in as Qt resources.
//
// Green: an arrival holding a stand; red: an aircraft without one; blue: the departure side of an
// allocation. All are 20 x 20 pixels but 181, in 16 colours. tools/StavoBitmaps.cpp draws them.
#pragma once

#include "platform/Bitmap.h"

#include <memory>
#include <string_view>

inline constexpr std::string_view kStavoBitmapPrefix = "stavo/bitmaps";

// The bitmaps by their resource numbers, which are fixed (plugin/CMakeLists.txt compiles in the
// same numbers), named by background and silhouette.
enum StavoBitmapId : int {
    BitmapNone = 0, // no bitmap: the cell shows a text or nothing
    BitmapGreenLanding = 139, // side view, descending
    BitmapRedLanding = 141,
    BitmapRedTakeOff = 142, // side view, climbing
    BitmapRedOnGround = 146, // side view, level, wheels down
    BitmapGreenTaxiing = 180, // seen from above
    BitmapRedTaxiing = 181, // seen from above, 20 x 19
    BitmapBlueTakeOff = 183,
    BitmapBlueOnGround = 186,
};

// The status bitmap numbered `id`, or nullptr when the plug-in has none by that number.
std::unique_ptr<platform::CBitmap> LoadStavoBitmap(int id);
