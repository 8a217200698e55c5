// The two functions the host finds by name in the Stavo library.
#include "StavoViewPlugin.h"

#include <memory>

// The version of the library file, readable without loading it: on Linux in a section of its
// own (readelf -p .stavo.version libstavo.so); on Windows in the version resource
// (StavoVersion.rc.in) that Explorer's file properties show.
#ifndef _WIN32
extern "C" __attribute__((used, section(".stavo.version"))) const char g_StavoVersionInfo[]
    = "Stavo " STAVO_FILE_VERSION " (file version " STAVO_FILE_VERSION
      ", product version " STAVO_FILE_VERSION ")";
#endif

namespace {

// The plug-in object between VeltrixPlugInInit and VeltrixPlugInExit. The host holds the same
// address; the library owns the object.
CStavoViewPlugin* g_pPlugIn = nullptr;

} // namespace

extern "C" void VeltrixPlugInInit(VeltrixPlugIn::CPlugIn** ppPlugInInstance)
{
    // A constructor that throws frees its memory here, and the exception goes on to the host.
    auto plugIn = std::make_unique<CStavoViewPlugin>();
    g_pPlugIn = plugIn.release();
    if (ppPlugInInstance != nullptr)
        *ppPlugInInstance = g_pPlugIn;
}

extern "C" void VeltrixPlugInExit()
{
    // The host calls this once; the pointer is cleared as well so that a second call is harmless.
    delete g_pPlugIn;
    g_pPlugIn = nullptr;
}
