// One "STAVO View" display: the stand board of one airport.
//
// The host creates a screen through the plug-in's CreateDisplayScreen and owns it until it calls
// OnDisplayClosing, in which the screen deletes itself. All board state lives here; nothing is
// shared between screens and nothing is saved.
//
// The model is split by job: StavoScreen.cpp holds the lookups and allocation operations,
// SettingsLoader.cpp fills the stands and settings, Tracking.cpp follows the position reports,
// plugin/board/BoardDrawing.cpp draws the board and plugin/board/BoardCommands.cpp carries out
// the typed commands and drag and drop.
#pragma once

#include "StavoRecords.h"
#include "plugin/board/BoardLayout.h"
#include "plugin/board/StavoBitmaps.h"
#include "veltrix/VeltrixPlugIn.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Extent in the two coordinates of CPosition, in the order it stores them.
struct CStavoBox {
    double minFirst = 0.0;
    double minSecond = 0.0;
    double maxFirst = 0.0;
    double maxSecond = 0.0;

    // Bounds count as inside; a NaN coordinate is outside.
    bool Contains(const VeltrixPlugIn::CPosition& p) const;
    // The box grown by `margin` degrees on every side.
    CStavoBox Widened(double margin) const;
};

// The two texts the loader shows the user, kept as the users know them.
inline constexpr char kNoAirportMessage[] = "No AIRPORT name defined in the ASR file";
inline constexpr char kNoStandMessage[] = "No stand definition is loaded";

class CStavoScreen final : public VeltrixPlugIn::CRadarScreen {
public:
    CStavoScreen() = default;
    CStavoScreen(const CStavoScreen&) = delete;
    CStavoScreen& operator=(const CStavoScreen&) = delete;

    // Host callbacks.
    // Reads the airport, board geometry, separators and stands from the display's settings.
    void OnDisplaySettingsLoaded(bool loaded) override;
    void OnDisplayClosing() override;
    // One position report: tracks the aircraft through its states and consumes allocations.
    void OnAircraftPositionUpdate(VeltrixPlugIn::CAircraft aircraft) override;
    // Draws the board in phase 1; every other phase draws nothing and changes nothing.
    void OnPaintDisplay(platform::CDeviceContext* dc, int phase) override;
    // Carries out a ".stavo" command line; false when the line is none of this screen's.
    bool OnCompileCommand(const char* commandLine) override;
    // A drag of a callsign: follows the mouse over the stands and allocates on release.
    void OnPressScreenObject(int objectType, const char* objectId, platform::Point pt,
        platform::Rect area, bool released) override;

    // Board drawing, the two passes of a refresh and what each cell shows.
    // The grid of m_Layout: lines and separators, and the cell origins of the final slots and
    // stands.
    void DrawBoardGrid(platform::CDeviceContext& dc);
    // Texts, bitmaps, screen objects, the highlight and the dragged text.
    void DrawBoardContents(platform::CDeviceContext& dc);
    // The text of a final slot's column (0 callsign, 2 type, stand or distance); none if empty.
    std::optional<std::string> FinalSlotText(const CStavoFinalPositions& entry, int column);
    // The text of a stand cell's column (0, 1, 3, 4, 6, 7); none if the column shows no text.
    std::optional<std::string> StandCellText(const CStavoStand& stand, int column);
    // The status bitmap of a final slot's column 1 or a stand cell's column 2 or 5; BitmapNone
    // for none.
    StavoBitmapId FinalSlotBitmap(const CStavoFinalPositions& entry, int column) const;
    StavoBitmapId StandCellBitmap(const CStavoStand& stand, int column);

    // Lookups and allocation operations.
    // First stand with a label whose name equals `name` byte for byte; -1 if none.
    int FindStandByName(std::string_view name) const;
    // First tracked aircraft with this callsign (ASCII case ignored); m_TrackedAircraft.end()
    // if none.
    TrackedNode FindTrackedAircraft(std::string_view callsign);
    // First stand holding an allocation for this callsign (ASCII case ignored; "*" matches only
    // "*"); -1 if none.
    int FindAllocatedStand(std::string_view callsign) const;
    // Removes the callsign's allocations from every stand; a text beginning with "*" removes
    // nothing, since "*" stands for any aircraft and several stands may hold it.
    void RemoveAllocations(std::string_view callsign);
    // Removes the callsign's allocations everywhere, then appends an arrival allocation for it
    // (upper-cased) to the named stand. Does nothing for an unknown stand or an empty callsign.
    void AllocateArrival(std::string_view standName, std::string_view callsign);
    // Puts a departure allocation at the head of the named stand's list, replacing the stand's
    // earlier departure allocation. Does nothing for an unknown stand or an empty callsign.
    void AllocateDeparture(std::string_view standName, std::string_view callsign);
    // Removes allocation k of the stand; later ones move down. Out-of-range indices do nothing.
    void RemoveAllocation(int stand, int k);
    // The stand with a reference position within 0.05 of `position`, nearest first, ties to the
    // lower index; -1 if none.
    int FindNearestStand(const VeltrixPlugIn::CPosition& position) const;
    // Removes the stand's first allocation for this callsign or for "*"; true if one was removed.
    bool ConsumeAllocation(int stand, std::string_view callsign);
    // Removes a tracked aircraft and every reference to its node held by the per-refresh lists.
    void EraseTrackedAircraft(TrackedNode node);

    // Model fields.
    std::vector<CStavoStand> m_Stands; // ordered by m_Line, then m_Column
    std::vector<CStavoFinalPositions> m_Finals; // rebuilt at every refresh
    int m_FinalRows = 2; // FINAL, 1..4
    int m_StandLines = 27; // LINES, 5..39
    int m_TopEmpty = 0; // margins in pixels
    int m_BottomEmpty = 0;
    int m_LeftEmpty = 0;
    int m_RightEmpty = 0;
    std::vector<int> m_Separators;
    int m_CellWidth = 0;
    int m_LineHeight = 0;
    stavo::CBoardLayout m_Layout; // of the last refresh
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

    // Loader steps.
    int ReadSetting(const char* key, int fallback, int least, int greatest);
    void InsertStand(CStavoStand&& stand);
    void UpdateBoxes();

    // Tracking steps.
    void ApplyStateRules(CStavoAircraft& record, int stand, int groundSpeed);
    void Reinsert(TrackedNode node, double distance);

    // Drawing steps.
    void RebuildRefreshLists();
    // The host's aircraft of this callsign; an empty handle when the host does not know it.
    VeltrixPlugIn::CAircraft SelectAircraft(const std::string& callsign) const;

    // Which stands the last grid pass placed on the board, by stand index. A stand with a
    // column other than 0 or 1, a line off the board or a cell taken by an earlier stand is
    // not placed: it is not drawn and its area is empty, so no drag can select it.
    std::vector<bool> m_StandPlaced;
};
