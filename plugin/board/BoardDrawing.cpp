// Draws the stand board at every refresh: the panel, the grid of final-approach finalSlots and
// stand lines, and what each cell shows. The same refresh rebuilds the per-refresh lists, writes
// the cell positions that drag and drop hit-tests, and registers every drawn callsign as a movable
// screen object.
#include "BoardLayout.h"
#include "StavoBitmaps.h"
#include "platform/Bitmap.h"
#include "plugin/model/StavoScreen.h"
#include "plugin/model/StavoText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>

using platform::CDeviceContext;
using platform::Rect;

namespace {

constexpr int kGreatestFontHeight = 20;
constexpr int kThickPenWidth = 3;
constexpr platform::Color kPanelColor = platform::Rgb(220, 220, 220);
constexpr platform::Color kHighlightColor = platform::Rgb(220, 255, 255);
constexpr platform::Color kBlack = platform::Rgb(0, 0, 0);
constexpr int kCentralEuropeanCharSet = 238;
constexpr const char* kBoardFontFace = "Ariel";
constexpr int kCallsignObject = 1;
constexpr Rect kBitmapSource { 0, 0, 20, 20 };

// Board edges are held within this many pixels of the origin. The margin commands store what is
// typed, and an edge near the end of the int range would overflow the grid arithmetic; no screen
// comes near the limit.
constexpr std::int64_t kCoordinateLimit = std::int64_t { 1 } << 20;

int BoardEdge(int base, std::int64_t offset)
{
    return static_cast<int>(std::clamp(base + offset, -kCoordinateLimit, kCoordinateLimit));
}

std::string FormatDistance(double distance)
{
    char text[400]; // "%.0f" of the greatest double has 309 digits
    std::snprintf(text, sizeof text, "%.0f", distance);
    return text;
}

// Minutes and seconds; minutes are not limited to two digits. A clock set back shows 00:00
// rather than a negative time.
std::string FormatElapsed(std::int64_t elapsed)
{
    elapsed = std::max<std::int64_t>(elapsed, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(elapsed / 60),
        static_cast<long long>(elapsed % 60));
    return text;
}

// The status bitmaps of one refresh, each loaded when first shown and released with the refresh.
class CRefreshBitmaps {
public:
    void Draw(CDeviceContext& dc, StavoBitmapId id, const Rect& cell)
    {
        auto it = std::find_if(m_Loaded.begin(), m_Loaded.end(),
            [id](const auto& loaded) { return loaded.first == id; });
        if (it == m_Loaded.end())
            it = m_Loaded.insert(m_Loaded.end(), { id, LoadStavoBitmap(id) });
        if (it->second)
            dc.StretchBlt(cell, *it->second, kBitmapSource);
    }

private:
    std::vector<std::pair<StavoBitmapId, std::unique_ptr<platform::CBitmap>>> m_Loaded;
};

} // namespace

void CStavoScreen::OnPaintDisplay(CDeviceContext* dc, int phase)
{
    if (dc == nullptr || phase != 1)
        return;

    const Rect radar = GetRadarArea();
    const Rect chat = GetChatArea();
    const Rect board { BoardEdge(radar.left, m_LeftEmpty), BoardEdge(radar.top, m_TopEmpty),
        BoardEdge(radar.right, -std::int64_t { m_RightEmpty }),
        BoardEdge(chat.top, -std::int64_t { m_BottomEmpty }) };
    dc->FillRect(board, kPanelColor);
    dc->SetBkMode(platform::kTransparent);
    dc->SetBkColor(kPanelColor);
    dc->SetTextColor(kBlack);

    stavo::CBoardShape shape { board, m_FinalRows, m_StandLines, m_Separators, {} };
    for (const CStavoStand& stand : m_Stands)
        shape.stands.push_back({ stand.m_Column, stand.m_Line });
    m_Layout = stavo::ComputeBoardLayout(shape);
    m_LineHeight = m_Layout.lineHeight;
    m_CellWidth = m_Layout.cellWidth;

    RebuildRefreshLists();
    DrawBoardGrid(*dc);
    DrawBoardContents(*dc);
}

// The lists start empty and each node is looked at once, before it is listed: a node the host no
// longer knows is in none of them, so it leaves the tracked list alone and the walk stays linear
// however many aircraft go at once. The stand allocated to each arrival comes from one index of
// the allocations, the first stand for each callsign, as FindAllocatedStand finds it.
void CStavoScreen::RebuildRefreshLists()
{
    for (CStavoStand& stand : m_Stands)
        stand.m_StandingAircraft.clear();
    m_Finals.clear();
    std::unordered_map<std::string, int> allocatedStand;
    bool indexed = false;
    auto standOf = [&](const std::string& callsign) {
        if (!indexed) {
            for (std::size_t i = 0; i < m_Stands.size(); ++i)
                for (const CStavoAllocation& allocation : m_Stands[i].m_Allocations)
                    allocatedStand.emplace(
                        stavo::ToUpperAscii(allocation.m_Callsign), static_cast<int>(i));
            indexed = true;
        }
        const auto found = allocatedStand.find(stavo::ToUpperAscii(callsign));
        return found == allocatedStand.end() ? -1 : found->second;
    };
    for (TrackedNode node = m_TrackedAircraft.begin(); node != m_TrackedAircraft.end();) {
        const TrackedNode next = std::next(node);
        if (!SelectAircraft(node->m_Callsign).IsValid()) {
            m_TrackedAircraft.erase(node);
        } else if (node->m_Stand >= 0) {
            if (static_cast<std::size_t>(node->m_Stand) < m_Stands.size())
                m_Stands[node->m_Stand].m_StandingAircraft.push_back(node);
        } else if (node->m_State == StateInbound || node->m_State == StateTaxiIn) {
            m_Finals.push_back(CStavoFinalPositions { 0, 0, node, standOf(node->m_Callsign) });
        }
        node = next;
    }
}

VeltrixPlugIn::CAircraft CStavoScreen::SelectAircraft(const std::string& callsign) const
{
    const VeltrixPlugIn::CPlugIn* plugIn = GetPlugIn();
    return plugIn != nullptr ? plugIn->AircraftSelect(callsign.c_str())
                             : VeltrixPlugIn::CAircraft();
}

void CStavoScreen::DrawBoardGrid(CDeviceContext& dc)
{
    const platform::CPen thin { 0, kBlack };
    const platform::CPen thick { kThickPenWidth, kBlack };
    const platform::CPen* previousPen = dc.SelectPen(&thick);
    const Rect& board = m_Layout.board;
    for (const stavo::CBoardRule& rule : m_Layout.rules) {
        dc.SelectPen(rule.thick ? &thick : &thin);
        if (rule.vertical) {
            dc.MoveTo(rule.x, rule.y);
            dc.LineTo(rule.x, rule.y + m_Layout.lineHeight);
        } else {
            dc.MoveTo(board.left, rule.y);
            dc.LineTo(board.right, rule.y);
        }
    }

    // Entries beyond the last slot get no cell and are not drawn.
    for (std::size_t k = 0; k < m_Finals.size() && k < m_Layout.finalSlots.size(); ++k) {
        m_Finals[k].m_X = m_Layout.finalSlots[k][0].left;
        m_Finals[k].m_Y = m_Layout.finalSlots[k][0].top;
    }
    m_StandPlaced = m_Layout.placed;
    for (std::size_t s = 0; s < m_Stands.size(); ++s) {
        const auto* cell = m_Layout.StandCell(static_cast<int>(s));
        m_Stands[s].m_Area = cell == nullptr
            ? Rect {}
            : Rect { (*cell)[0].left, (*cell)[0].top, (*cell)[0].right, (*cell)[0].bottom - 1 };
    }
    dc.SelectPen(previousPen);
}

void CStavoScreen::DrawBoardContents(CDeviceContext& dc)
{
    platform::LogFont request;
    request.height = std::min(kGreatestFontHeight, m_LineHeight - 1);
    request.weight = 400;
    request.charSet = kCentralEuropeanCharSet;
    request.faceName = kBoardFontFace;
    const std::unique_ptr<platform::CFont> font = dc.CreateFontIndirect(request);
    if (!font)
        return;
    const platform::CFont* previousFont = dc.SelectFont(font.get());

    const int height = m_LineHeight;
    const int textHeight = dc.GetTextExtent("W").cy;
    // Texts sit vertically centred in their cell, in a box one pixel taller than the font.
    auto textBox = [&](const Rect& cell) {
        if (height - 1 < textHeight)
            return Rect { cell.left, cell.top, cell.right, cell.top + height - 1 };
        const int top = cell.top + (height - textHeight - 1) / 2;
        return Rect { cell.left, top, cell.right, top + textHeight + 1 };
    };
    auto drawText = [&](const std::optional<std::string>& text, const Rect& cell, bool callsign) {
        if (!text || text->empty())
            return;
        const Rect box = textBox(cell);
        dc.DrawText(*text, box, platform::kDrawTextCenter);
        if (callsign)
            AddScreenObject(kCallsignObject, text->c_str(), box, true, nullptr);
    };
    CRefreshBitmaps bitmaps;

    for (std::size_t k = 0; k < std::min(m_Finals.size(), m_Layout.finalSlots.size()); ++k) {
        const CStavoFinalPositions& entry = m_Finals[k];
        for (int column = 0; column < stavo::kSlotColumns; ++column) {
            const Rect& cell = m_Layout.finalSlots[k][column];
            if (const StavoBitmapId id = FinalSlotBitmap(entry, column); id != BitmapNone)
                bitmaps.Draw(dc, id, cell);
            else
                drawText(FinalSlotText(entry, column), cell, column == 0);
        }
    }

    for (std::size_t s = 0; s < m_Stands.size() && s < m_StandPlaced.size(); ++s) {
        if (!m_StandPlaced[s])
            continue;
        CStavoStand& stand = m_Stands[s];
        const bool highlighted = m_ClickedObjectType != 0 && m_SelectedStand == static_cast<int>(s);
        const auto* cells = m_Layout.StandCell(static_cast<int>(s));
        if (cells == nullptr)
            continue;
        for (int column = 0; column < stavo::kStandColumns; ++column) {
            const Rect& cell = (*cells)[column];
            if (column == 0 && highlighted)
                dc.FillRect(stand.m_Area, kHighlightColor);
            if (const StavoBitmapId id = StandCellBitmap(stand, column); id != BitmapNone)
                bitmaps.Draw(dc, id, cell);
            else
                drawText(StandCellText(stand, column), cell, column == 1 || column == 4);
        }
    }

    if (m_ClickedObjectType == kCallsignObject)
        dc.DrawText(m_ClickedObjectId, m_ClickedArea, platform::kDrawTextCenter);

    dc.SelectFont(previousFont);
}

std::optional<std::string> CStavoScreen::FinalSlotText(
    const CStavoFinalPositions& entry, int column)
{
    const CStavoAircraft& aircraft = *entry.m_Node;
    if (column == 0)
        return aircraft.m_Callsign;
    if (column != 2)
        return std::nullopt;
    const VeltrixPlugIn::CAircraft known = SelectAircraft(aircraft.m_Callsign);
    if (!known.IsValid())
        return std::nullopt;
    // Every other second the type, in between the allocated stand or the distance.
    const VeltrixPlugIn::CAircraftFlightPlan plan = known.GetFlightPlan();
    if (GetTime() % 2 == 0 && plan.IsReceived())
        return std::string(plan.GetAircraftFPType());
    if (entry.m_AllocatedStand >= 0
        && static_cast<std::size_t>(entry.m_AllocatedStand) < m_Stands.size())
        return m_Stands[entry.m_AllocatedStand].m_Label;
    return FormatDistance(known.GetDistanceToDestination());
}

StavoBitmapId CStavoScreen::FinalSlotBitmap(const CStavoFinalPositions& entry, int column) const
{
    if (column != 1)
        return BitmapNone;
    const bool allocated = entry.m_AllocatedStand >= 0;
    switch (entry.m_Node->m_State) {
    case StateInbound:
        return allocated ? BitmapGreenLanding : BitmapRedLanding;
    case StateTaxiIn:
        return allocated ? BitmapGreenTaxiing : BitmapRedTaxiing;
    default:
        return BitmapNone;
    }
}

std::optional<std::string> CStavoScreen::StandCellText(const CStavoStand& stand, int column)
{
    const CStavoAircraft* standing
        = stand.m_StandingAircraft.empty() ? nullptr : &*stand.m_StandingAircraft.front();
    const std::vector<CStavoAllocation>& allocations = stand.m_Allocations;
    const CStavoAllocation* first = allocations.empty() ? nullptr : &allocations.front();
    auto distanceOf = [this](const std::string& callsign) -> std::optional<std::string> {
        const VeltrixPlugIn::CAircraft known = SelectAircraft(callsign);
        if (!known.IsValid())
            return std::nullopt;
        return FormatDistance(known.GetDistanceToDestination());
    };

    switch (column) {
    case 0:
        return stand.m_Label;
    case 1:
        if (standing == nullptr)
            return std::nullopt;
        return standing->m_Callsign;
    case 3:
        if (standing == nullptr)
            return std::nullopt;
        return FormatElapsed(GetTime() - standing->m_StateTime);
    case 4:
        if (first == nullptr)
            return std::nullopt;
        return first->m_Callsign;
    case 6: {
        if (first == nullptr)
            return std::nullopt;
        if (first->m_Departure)
            return FormatElapsed(GetTime() - first->m_Time);
        const TrackedNode tracked = FindTrackedAircraft(first->m_Callsign);
        if (tracked != m_TrackedAircraft.end() && tracked->m_State == StateTaxiIn)
            return std::string("TAXI");
        return distanceOf(first->m_Callsign);
    }
    case 7:
        if (allocations.size() < 2)
            return std::nullopt;
        return distanceOf(allocations[1].m_Callsign);
    default:
        return std::nullopt;
    }
}

StavoBitmapId CStavoScreen::StandCellBitmap(const CStavoStand& stand, int column)
{
    if (column == 2) {
        if (stand.m_StandingAircraft.empty())
            return BitmapNone;
        const CStavoAircraft& standing = *stand.m_StandingAircraft.front();
        switch (standing.m_State) {
        case StateAtStand:
            return standing.m_Allocated ? BitmapBlueTakeOff : BitmapRedTakeOff;
        case StatePushback:
            return standing.m_Allocated ? BitmapBlueOnGround : BitmapRedOnGround;
        default:
            return standing.m_Allocated ? BitmapGreenLanding : BitmapRedLanding;
        }
    }
    if (column == 5) {
        if (stand.m_Allocations.empty())
            return BitmapNone;
        const CStavoAllocation& first = stand.m_Allocations.front();
        if (first.m_Departure)
            return BitmapBlueTakeOff;
        const TrackedNode tracked = FindTrackedAircraft(first.m_Callsign);
        if (tracked != m_TrackedAircraft.end() && tracked->m_State == StateTaxiIn)
            return BitmapGreenTaxiing;
        return BitmapGreenLanding;
    }
    return BitmapNone;
}
