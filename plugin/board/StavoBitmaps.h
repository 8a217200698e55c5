// The board's status bitmaps, compiled into the plug-in as Qt resources.
//
//   139 green, descending     141 red, descending       142 red, climbing
//   146 red, on the ground    180 green, from above     181 red, from above (20 x 19)
//   183 blue, climbing        186 blue, on the ground
// Green: an arrival holding a stand; red: an aircraft without one; blue: the departure side of an
// allocation. All are 20 x 20 pixels but 181, in 16 colours. tools/StavoBitmaps.cpp draws them.
#pragma once

#include "platform/Bitmap.h"

#include <memory>
#include <string_view>

inline constexpr std::string_view kStavoBitmapPrefix = "stavo/bitmaps";

// The status bitmap numbered `id`, or nullptr when the plug-in has none by that number.
std::unique_ptr<platform::CBitmap> LoadStavoBitmap(int id);
