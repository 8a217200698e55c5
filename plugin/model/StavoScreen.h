// One "STAVO View" display: the stand board of one airport.
//
// The host creates a screen through the plug-in's CreateDisplayScreen and owns it until it calls
// OnDisplayClosing, in which the screen deletes itself. All board state lives here; nothing is
// shared between screens and nothing is saved.
#pragma once

#include "StavoRecords.h"
#include "plugin/entry/VeltrixPlugIn.h"

#include <string>
#include <string_view>
#include <vector>

// Extent in the two coordinates of CPosition, in the order it stores them.
struct CStavoBox {
    double minFirst = 0.0;
    double minSecond = 0.0;
    double maxFirst = 0.0;
    double maxSecond = 0.0;
};

class CStavoScreen final : public VeltrixPlugIn::CRadarScreen {
public:
    CStavoScreen() = default;
    CStavoScreen(const CStavoScreen&) = delete;
    CStavoScreen& operator=(const CStavoScreen&) = delete;

    // Host callbacks.
    void OnDisplayClosing() override;

    // Lookups and allocation operations.
    int FindStandByName(std::string_view name) const;
    TrackedNode FindTrackedAircraft(std::string_view callsign); // m_TrackedAircraft.end() if none
    int FindAllocatedStand(std::string_view callsign) const;
    void RemoveAllocations(std::string_view callsign);
    void AllocateArrival(std::string_view standName, std::string_view callsign);
    void AllocateDeparture(std::string_view standName, std::string_view callsign);
    void RemoveAllocation(int stand, int k);
    int FindNearestStand(const VeltrixPlugIn::CPosition& position) const;
    bool ConsumeAllocation(int stand, std::string_view callsign);

    // Model fields.
    std::vector<CStavoStand> m_Stands;          // ordered by m_Line, then m_Column
    std::vector<CStavoFinalPositions> m_Finals; // rebuilt at every refresh
    int m_FinalRows = 2;   // FINAL, 1..4
    int m_StandLines = 27; // LINES, 5..39
    int m_TopEmpty = 0;    // margins in pixels
    int m_BottomEmpty = 0;
    int m_LeftEmpty = 0;
    int m_RightEmpty = 0;
    std::vector<int> m_Separators;
    int m_CellWidth = 0;
    int m_LineHeight = 0;
    CStavoBox m_StandBox;
    CStavoBox m_TrackBox;
    std::string m_Airport;
    CStavoAircraftList m_TrackedAircraft; // ordered by m_Distance

    // Drag in progress.
    int m_ClickedObjectType = 0;
    std::string m_ClickedObjectId;
    platform::Rect m_ClickedArea;
    int m_SelectedStand = -1;

private:
    ~CStavoScreen() = default; // only OnDisplayClosing destroys a screen
};
