// A shared library that links the plug-in's core as the plug-in does, for the test that its
// bitmaps arrive with it.
#include "plugin/board/StavoBitmaps.h"

extern "C" __attribute__((visibility("default"))) int StavoProbeFindsBitmap(int id)
{
    return LoadStavoBitmap(id) != nullptr ? 1 : 0;
}
