// A plug-in built for another interface version than the host's (QS_VERSION_OFFSET away), for the
// test that the host refuses it. It counts its live objects, so the test can see the host had
// the refused object destroyed.
#include "veltrix/VeltrixPlugIn.h"

#include <memory>

namespace {

int g_LiveObjects = 0;

class COtherVersionPlugIn final : public VeltrixPlugIn::CPlugIn {
public:
    COtherVersionPlugIn()
        : CPlugIn(VeltrixPlugIn::kInterfaceVersion + QS_VERSION_OFFSET, "Other version", "0.1",
            "tests", "none")
    {
        ++g_LiveObjects;
    }
    ~COtherVersionPlugIn() override { --g_LiveObjects; }
};

std::unique_ptr<COtherVersionPlugIn> g_PlugIn;

} // namespace

extern "C" void VeltrixPlugInInit(VeltrixPlugIn::CPlugIn** ppPlugInInstance)
{
    g_PlugIn = std::make_unique<COtherVersionPlugIn>();
    *ppPlugInInstance = g_PlugIn.get();
}

extern "C" void VeltrixPlugInExit()
{
    g_PlugIn.reset();
}

extern "C" VELTRIX_PLUGIN_EXPORT int OtherVersionPlugInLiveObjects()
{
    return g_LiveObjects;
}
