// Loading plug-in libraries: what the host says when a library is not a plug-in.
#include "host/PlugInLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class PlugInLibraryTest : public testing::Test { };

TEST_F(PlugInLibraryTest, NamesWhatIsMissing)
{
    std::string error;
    EXPECT_EQ(host::CPlugInLibrary::Load("/nonexistent/libnothing.so", &error), nullptr);
    EXPECT_NE(error.find("cannot load plug-in /nonexistent/libnothing.so"), std::string::npos)
        << error;
    // The interface library is a shared library, but it exports no entry points.
    EXPECT_EQ(
        host::CPlugInLibrary::Load(QS_BINARY_DIR "/lib/libveltrixplugin.so", &error), nullptr);
    EXPECT_NE(error.find("does not export VeltrixPlugInInit"), std::string::npos) << error;
}

} // namespace
