// Stavo's plug-in object: introduces the plug-in to the host and hands out one stand board
// screen for every "STAVO View" display the host opens.
#pragma once

#include "veltrix/VeltrixPlugIn.h"

// The one display type of the plug-in, matched byte for byte by CreateDisplayScreen.
inline constexpr char kStavoDisplayType[] = "STAVO View";

class CStavoViewPlugin final : public VeltrixPlugIn::CPlugIn {
public:
    // Introduces the plug-in and registers "STAVO View".
    CStavoViewPlugin();
    ~CStavoViewPlugin() override;
    CStavoViewPlugin(const CStavoViewPlugin&) = delete;
    CStavoViewPlugin& operator=(const CStavoViewPlugin&) = delete;

    // A new CStavoScreen when displayName is exactly "STAVO View", otherwise nullptr. The host
    // owns the screen until it calls OnDisplayClosing, in which the screen deletes itself; the
    // plug-in keeps no list of its screens.
    VeltrixPlugIn::CRadarScreen* CreateDisplayScreen(const char* displayName, bool needRadarContent,
        bool geoReferenced, bool canBeSaved, bool canBeCreated) override;
};
