// Loading plug-in libraries: what the host says when a library is not a plug-in.
#include "host/PlugInLibrary.h"

#include "host/SharedLibrary.h"
#include "veltrix/HostInterface.h"

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
    EXPECT_EQ(host::CPlugInLibrary::Load(QS_INTERFACE_LIBRARY, &error), nullptr);
    EXPECT_NE(error.find("does not export VeltrixPlugInInit"), std::string::npos) << error;
}

TEST_F(PlugInLibraryTest, RefusesAnotherInterfaceVersionNamingBoth)
{
    const std::string host = std::to_string(VeltrixPlugIn::kInterfaceVersion);
    const struct {
        const char* path;
        int version;
    } cases[] = {
        { QS_OLDER_PLUGIN, VeltrixPlugIn::kInterfaceVersion - 1 },
        { QS_NEWER_PLUGIN, VeltrixPlugIn::kInterfaceVersion + 1 },
    };
    for (const auto& c : cases) {
        // Held open here, so that the plug-in's count of live objects can be read after the
        // host has unloaded it.
        std::string reason;
        void* handle = host::shared_library::Open(c.path, &reason);
        ASSERT_NE(handle, nullptr) << reason;
        const auto liveObjects = reinterpret_cast<int (*)()>(
            host::shared_library::Symbol(handle, "OtherVersionPlugInLiveObjects"));
        ASSERT_NE(liveObjects, nullptr);

        std::string error;
        EXPECT_EQ(host::CPlugInLibrary::Load(c.path, &error), nullptr);
        EXPECT_EQ(error,
            "plug-in " + std::string(c.path) + " is built for interface version "
                + std::to_string(c.version) + ", but this host supports interface version " + host
                + " only");
        EXPECT_EQ(liveObjects(), 0) << "the refused plug-in object was not destroyed";
        host::shared_library::Close(handle);
    }
}

} // namespace
