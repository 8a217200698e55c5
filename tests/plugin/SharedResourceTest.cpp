// The status bitmaps come with a shared library that links the plug-in's core: loading it
// registers them for the whole process, as loading the plug-in does for the host.
#include "platform/Bitmap.h"

#include <QLibrary>

#include <gtest/gtest.h>

namespace {

class SharedResourceTest : public testing::Test { };

TEST_F(SharedResourceTest, LoadingTheLibraryBringsItsBitmaps)
{
    // This program links none of the plug-in.
    EXPECT_EQ(platform::CBitmap::LoadFromResource("stavo/bitmaps", 139), nullptr);

    QLibrary library(QStringLiteral(STAVO_PROBE_LIBRARY));
    ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    using Probe = int (*)(int);
    auto probe = reinterpret_cast<Probe>(library.resolve("StavoProbeFindsBitmap"));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe(181), 1);
    EXPECT_EQ(probe(140), 0);

    auto bitmap = platform::CBitmap::LoadFromResource("/stavo/bitmaps/", 181);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetSize(), (platform::Size { 20, 19 }));
    bitmap.reset();
    library.unload();
}

} // namespace
