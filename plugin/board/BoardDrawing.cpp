// Draws the stand board at every refresh: the panel, the grid of final-approach slots and stand
// lines, and what each cell shows. The same refresh rebuilds the per-refresh lists, writes the
// cell positions that drag and drop hit-tests, and registers every drawn callsign as a movable
// screen object.
#include "StavoBitmaps.h"
#include "platform/Bitmap.h"
#include "platform/Clock.h"
#include "plugin/model/StavoScreen.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <span>
#include <utility>

using platform::CDeviceContext;
using platform::Rect;

namespace {

// One column of a cell: its width in units of the cell width, then the separator after it in
// pixels, 1 (a thin line) or 3 (a thick line).
struct CColumn {
    int width;
    int separator;
};

// A final-approach slot: callsign, status bitmap, type/stand/distance.
constexpr CColumn kFinalSlotColumns[] = { { 7, 1 }, { 2, 1 }, { 5, 3 } };
// One half of a stand line: label, standing aircraft (callsign, bitmap, time on the stand),
// first allocation (callsign, bitmap, time or distance), distance of the second allocation.
constexpr CColumn kStandCellColumns[]
    = { { 3, 3 }, { 7, 1 }, { 2, 1 }, { 5, 3 }, { 7, 1 }, { 2, 1 }, { 5, 3 }, { 5, 3 } };

constexpr int kSlotsPerRow = 5;
constexpr int kStandsPerLine = 2;
constexpr int kLeastLineHeight = 10;
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

// Lays a row of cells out from (x, y): calls cell(column, rectangle) for each column and returns
// the x after the row's last separator.
template <typename F>
int LayOut(std::span<const CColumn> columns, int x, int y, int unit, int height, F&& cell)
{
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Rect rect { x, y, x + columns[c].width * unit, y + height };
        cell(static_cast<int>(c), rect);
        x = rect.right + columns[c].separator;
    }
    return x;
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
    void Draw(CDeviceContext& dc, int id, const Rect& cell)
    {
        auto it = std::find_if(m_Loaded.begin(), m_Loaded.end(),
            [id](const auto& loaded) { return loaded.first == id; });
        if (it == m_Loaded.end())
            it = m_Loaded.insert(m_Loaded.end(), { id, LoadStavoBitmap(id) });
        if (it->second)
            dc.StretchBlt(cell, *it->second, kBitmapSource);
    }

private:
    std::vector<std::pair<int, std::unique_ptr<platform::CBitmap>>> m_Loaded;
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

    // Every line gets one pixel of rule; the frame, the thick rule under the final rows and the
    // two extra pixels of each separator's thick rule take the rest.
    const std::int64_t rows = std::max(1, m_FinalRows + m_StandLines);
    const std::int64_t spare = std::int64_t { board.bottom } - board.top - 8
        - 2 * static_cast<std::int64_t>(m_Separators.size()) - rows;
    m_LineHeight = static_cast<int>(std::max<std::int64_t>(spare / rows, kLeastLineHeight));
    m_CellWidth = (board.right - board.left - 35) / 72;

    RebuildRefreshLists();
    DrawBoardGrid(*dc, board);
    DrawBoardContents(*dc);
}

void CStavoScreen::RebuildRefreshLists()
{
    for (CStavoStand& stand : m_Stands)
        stand.m_StandingAircraft.clear();
    m_Finals.clear();
    for (TrackedNode node = m_TrackedAircraft.begin(); node != m_TrackedAircraft.end();) {
        const TrackedNode next = std::next(node);
        if (!SelectAircraft(node->m_Callsign).IsValid()) {
            EraseTrackedAircraft(node);
        } else if (node->m_Stand >= 0) {
            if (static_cast<std::size_t>(node->m_Stand) < m_Stands.size())
                m_Stands[node->m_Stand].m_StandingAircraft.push_back(node);
        } else if (node->m_State == StateInbound || node->m_State == StateTaxiIn) {
            m_Finals.push_back(
                CStavoFinalPositions { 0, 0, node, FindAllocatedStand(node->m_Callsign) });
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

void CStavoScreen::DrawBoardGrid(CDeviceContext& dc, const Rect& board)
{
    const platform::CPen thin { 0, kBlack };
    const platform::CPen thick { kThickPenWidth, kBlack };
    const int height = m_LineHeight;
    const int unit = m_CellWidth;
    const platform::CPen* previousPen = dc.SelectPen(&thick);

    auto horizontal = [&](const platform::CPen& pen, int y) {
        dc.SelectPen(&pen);
        dc.MoveTo(board.left, y);
        dc.LineTo(board.right, y);
    };
    auto vertical = [&](const platform::CPen& pen, int x, int y) {
        dc.SelectPen(&pen);
        dc.MoveTo(x, y);
        dc.LineTo(x, y + height);
    };
    // The separators of one slot or stand cell; a thick one is centred on its middle pixel.
    auto separators = [&](std::span<const CColumn> columns, int x, int y) {
        return LayOut(columns, x, y, unit, height, [&](int c, const Rect& cell) {
            if (columns[c].separator == 1)
                vertical(thin, cell.right, y);
            else
                vertical(thick, cell.right + 1, y);
        });
    };

    int y = board.top;
    horizontal(thick, y + 1);
    y = board.top + 3;

    std::size_t slot = 0;
    for (int row = 0; row < m_FinalRows; ++row) {
        int x = board.left;
        for (int i = 0; i < kSlotsPerRow; ++i, ++slot) {
            vertical(thick, x + 1, y);
            x += 3;
            // Entries beyond the last slot get no cell and are not drawn.
            if (slot < m_Finals.size()) {
                m_Finals[slot].m_X = x;
                m_Finals[slot].m_Y = y;
            }
            x = separators(kFinalSlotColumns, x, y);
        }
        if (row < m_FinalRows - 1) {
            horizontal(thin, y + height);
            y += height + 1;
        } else {
            horizontal(thick, y + height + 1);
            y += height + 3;
        }
    }

    // Each stand takes the cell of its line and column unless an earlier stand has it; a stand
    // that cannot be placed does not keep the stands after it off the board.
    const int lines = std::max(0, m_StandLines);
    std::vector<int> cellStand(static_cast<std::size_t>(lines) * kStandsPerLine, -1);
    m_StandPlaced.assign(m_Stands.size(), false);
    for (std::size_t s = 0; s < m_Stands.size(); ++s) {
        CStavoStand& stand = m_Stands[s];
        stand.m_Area = Rect {};
        if (stand.m_Column < 0 || stand.m_Column >= kStandsPerLine || stand.m_Line < 0
            || stand.m_Line >= lines)
            continue;
        int& cell = cellStand[static_cast<std::size_t>(stand.m_Line) * kStandsPerLine
            + static_cast<std::size_t>(stand.m_Column)];
        if (cell >= 0)
            continue;
        cell = static_cast<int>(s);
        m_StandPlaced[s] = true;
    }

    std::size_t separator = 0;
    for (int line = 0; line < lines; ++line) {
        int x = board.left;
        for (int half = 0; half < kStandsPerLine; ++half) {
            vertical(thick, x + 1, y);
            x += 3;
            const int s = cellStand[static_cast<std::size_t>(line) * kStandsPerLine
                + static_cast<std::size_t>(half)];
            if (s >= 0) {
                m_Stands[s].m_Area
                    = Rect { x, y, x + kStandCellColumns[0].width * unit, y + height - 1 };
            }
            x = separators(kStandCellColumns, x, y);
        }
        y += height;
        // A SEPARATOR value v asks for a thick rule under line v, counted from 1; the values
        // are taken in the order read.
        const bool thickRule = line == lines - 1
            || (separator < m_Separators.size() && line + 1 >= m_Separators[separator]);
        if (thickRule) {
            horizontal(thick, y + 1);
            y += 3;
            ++separator;
        } else {
            horizontal(thin, y);
            y += 1;
        }
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
    const int unit = m_CellWidth;
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

    const std::size_t slotCount = static_cast<std::size_t>(std::max(0, m_FinalRows)) * kSlotsPerRow;
    for (std::size_t k = 0; k < std::min(m_Finals.size(), slotCount); ++k) {
        const CStavoFinalPositions& entry = m_Finals[k];
        LayOut(kFinalSlotColumns, entry.m_X, entry.m_Y, unit, height,
            [&](int column, const Rect& cell) {
                if (const int id = FinalSlotBitmap(entry, column))
                    bitmaps.Draw(dc, id, cell);
                else
                    drawText(FinalSlotText(entry, column), cell, column == 0);
            });
    }

    for (std::size_t s = 0; s < m_Stands.size() && s < m_StandPlaced.size(); ++s) {
        if (!m_StandPlaced[s])
            continue;
        CStavoStand& stand = m_Stands[s];
        const bool highlighted = m_ClickedObjectType != 0 && m_SelectedStand == static_cast<int>(s);
        LayOut(kStandCellColumns, stand.m_Area.left, stand.m_Area.top, unit, height,
            [&](int column, const Rect& cell) {
                if (column == 0) {
                    stand.m_Area = Rect { cell.left, cell.top, cell.right, cell.top + height - 1 };
                    if (highlighted)
                        dc.FillRect(stand.m_Area, kHighlightColor);
                }
                if (const int id = StandCellBitmap(stand, column))
                    bitmaps.Draw(dc, id, cell);
                else
                    drawText(StandCellText(stand, column), cell, column == 1 || column == 4);
            });
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
    if (platform::Time64() % 2 == 0 && plan.IsReceived())
        return std::string(plan.GetAircraftFPType());
    if (entry.m_AllocatedStand >= 0
        && static_cast<std::size_t>(entry.m_AllocatedStand) < m_Stands.size())
        return m_Stands[entry.m_AllocatedStand].m_Label;
    return FormatDistance(known.GetDistanceToDestination());
}

int CStavoScreen::FinalSlotBitmap(const CStavoFinalPositions& entry, int column) const
{
    if (column != 1)
        return 0;
    const bool allocated = entry.m_AllocatedStand >= 0;
    switch (entry.m_Node->m_State) {
    case StateInbound:
        return allocated ? 139 : 141;
    case StateTaxiIn:
        return allocated ? 180 : 181;
    default:
        return 0;
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
        return FormatElapsed(platform::Time64() - standing->m_StateTime);
    case 4:
        if (first == nullptr)
            return std::nullopt;
        return first->m_Callsign;
    case 6: {
        if (first == nullptr)
            return std::nullopt;
        if (first->m_Departure)
            return FormatElapsed(platform::Time64() - first->m_Time);
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

int CStavoScreen::StandCellBitmap(const CStavoStand& stand, int column)
{
    if (column == 2) {
        if (stand.m_StandingAircraft.empty())
            return 0;
        const CStavoAircraft& standing = *stand.m_StandingAircraft.front();
        switch (standing.m_State) {
        case StateAtStand:
            return standing.m_Allocated ? 183 : 142;
        case StatePushback:
            return standing.m_Allocated ? 186 : 146;
        default:
            return standing.m_Allocated ? 139 : 141;
        }
    }
    if (column == 5) {
        if (stand.m_Allocations.empty())
            return 0;
        const CStavoAllocation& first = stand.m_Allocations.front();
        if (first.m_Departure)
            return 183;
        const TrackedNode tracked = FindTrackedAircraft(first.m_Callsign);
        if (tracked != m_TrackedAircraft.end() && tracked->m_State == StateTaxiIn)
            return 180;
        return 139;
    }
    return 0;
}
