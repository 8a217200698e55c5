#include "StavoViewPlugin.h"

#include "plugin/model/StavoScreen.h"

#include <cstring>

namespace {

// The interface version Stavo is built for; the host refuses a plug-in built for another.
constexpr int kInterfaceCompatibility = VeltrixPlugIn::kInterfaceVersion;
constexpr char kPlugInName[] = "STAVO view";
constexpr char kPlugInVersion[] = "1.0";
constexpr char kPlugInAuthor[] = "The Quorvex and Stavo developers";
constexpr char kPlugInLicence[] = "MIT";

} // namespace

CStavoViewPlugin::CStavoViewPlugin()
    : CPlugIn(kInterfaceCompatibility, kPlugInName, kPlugInVersion, kPlugInAuthor, kPlugInLicence)
{
    RegisterDisplayType(kStavoDisplayType, false, false, false, false);
}

CStavoViewPlugin::~CStavoViewPlugin() = default;

VeltrixPlugIn::CRadarScreen* CStavoViewPlugin::CreateDisplayScreen(
    const char* displayName, bool, bool, bool, bool)
{
    if (displayName == nullptr || std::strcmp(displayName, kStavoDisplayType) != 0)
        return nullptr;
    // Ownership passes to the host; the screen deletes itself in OnDisplayClosing.
    return new CStavoScreen();
}
