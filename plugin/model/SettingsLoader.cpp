// Fills a screen from its display's settings: airport, board geometry, separators and stands,
// and the box within which aircraft are tracked.
#include "StavoScreen.h"
#include "StavoText.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kStandValueLimit = 255; // characters of a STAND value that are read
constexpr double kStandMargin = 1.0 / 240.0; // degrees around the stands: the stand box
constexpr double kTrackMargin = 1.0 / 3.0; // degrees around the stand box: the track box

// Splits at every ':', skipping empty tokens, and keeps at most `limit` tokens.
std::vector<std::string> SplitTokens(std::string_view text, std::size_t limit)
{
    std::vector<std::string> tokens;
    while (!text.empty() && tokens.size() < limit) {
        const std::size_t colon = text.find(':');
        const std::string_view token = text.substr(0, colon);
        if (!token.empty())
            tokens.emplace_back(token);
        if (colon == std::string_view::npos)
            break;
        text.remove_prefix(colon + 1);
    }
    return tokens;
}

// One STAND value: name:label:column:line:lat:lon[:lat:lon]. Tokens 5 and 6 are the first
// position, handed to the host longitude first; the optional second pair likewise. An entry
// without six tokens or with an unreadable first position is no stand.
std::optional<CStavoStand> ParseStand(std::string_view value)
{
    const std::vector<std::string> tokens = SplitTokens(value.substr(0, kStandValueLimit), 8);
    if (tokens.size() < 6)
        return std::nullopt;
    CStavoStand stand;
    stand.m_Name = tokens[0];
    stand.m_Label = tokens[1];
    stand.m_Column = stavo::ParseInt(tokens[2]);
    stand.m_Line = stavo::ParseInt(tokens[3]);
    if (!stand.m_Position[0].LoadFromStrings(tokens[5].c_str(), tokens[4].c_str()))
        return std::nullopt;
    stand.m_PositionValid[0] = true;
    if (tokens.size() == 8)
        stand.m_PositionValid[1]
            = stand.m_Position[1].LoadFromStrings(tokens[7].c_str(), tokens[6].c_str());
    return stand;
}

} // namespace

void CStavoScreen::OnDisplaySettingsLoaded(bool)
{
    const char* airport = GetDataFromAsr("AIRPORT");
    if (airport == nullptr) {
        ShowMessageBox(kNoAirportMessage);
        return;
    }
    m_Airport = airport;

    m_FinalRows = ReadSetting("FINAL", m_FinalRows, 1, 4);
    m_StandLines = ReadSetting("LINES", m_StandLines, 5, 39);
    m_TopEmpty = ReadSetting("TOPEMPTY", m_TopEmpty, 0, 500);
    m_BottomEmpty = ReadSetting("BOTTOMEMPTY", m_BottomEmpty, 0, 500);
    m_LeftEmpty = ReadSetting("LEFTEMPTY", m_LeftEmpty, 0, 500);
    m_RightEmpty = ReadSetting("RIGHTEMPTY", m_RightEmpty, 0, 500);

    // Numbered keys are read until the first missing number; later ones are never seen.
    for (int n = 1;; ++n) {
        const char* value = GetDataFromAsr(("SEPARATOR" + std::to_string(n)).c_str());
        if (value == nullptr)
            break;
        m_Separators.push_back(stavo::ParseInt(value));
    }

    bool anyStand = false;
    for (int n = 1;; ++n) {
        const char* value = GetDataFromAsr(("STAND" + std::to_string(n)).c_str());
        if (value == nullptr)
            break;
        if (std::optional<CStavoStand> stand = ParseStand(value)) {
            InsertStand(std::move(*stand));
            anyStand = true;
        }
    }
    if (!anyStand) {
        ShowMessageBox(kNoStandMessage);
        return;
    }
    UpdateBoxes();
}

int CStavoScreen::ReadSetting(const char* key, int fallback, int least, int greatest)
{
    const char* value = GetDataFromAsr(key);
    return value == nullptr ? fallback : std::clamp(stavo::ParseInt(value), least, greatest);
}

// Keeps m_Stands ordered by line, then column, a new stand going behind those of the same cell.
// The stand is moved in with its own arrays, and every stand index held elsewhere is shifted with
// the stands behind it, so that loading again after allocations were made keeps each allocation,
// standing aircraft and tracked aircraft with its own stand.
void CStavoScreen::InsertStand(CStavoStand&& stand)
{
    const auto place = std::upper_bound(
        m_Stands.begin(), m_Stands.end(), stand, [](const CStavoStand& a, const CStavoStand& b) {
            return a.m_Line != b.m_Line ? a.m_Line < b.m_Line : a.m_Column < b.m_Column;
        });
    const int index = static_cast<int>(place - m_Stands.begin());
    m_Stands.insert(place, std::move(stand));
    auto shift = [index](int& stand) {
        if (stand >= index)
            ++stand;
    };
    for (CStavoAircraft& aircraft : m_TrackedAircraft)
        shift(aircraft.m_Stand);
    for (CStavoFinalPositions& final : m_Finals)
        shift(final.m_AllocatedStand);
    shift(m_SelectedStand);
}

// The boxes cover the first reference position of every stand in the table; second positions,
// which the "gate" command also sets, never widen them.
void CStavoScreen::UpdateBoxes()
{
    bool first = true;
    CStavoBox extent;
    for (const CStavoStand& stand : m_Stands) {
        if (!stand.m_PositionValid[0])
            continue;
        const VeltrixPlugIn::CPosition& p = stand.m_Position[0];
        if (first) {
            extent = CStavoBox { p.m_Latitude, p.m_Longitude, p.m_Latitude, p.m_Longitude };
            first = false;
            continue;
        }
        extent.minFirst = std::min(extent.minFirst, p.m_Latitude);
        extent.minSecond = std::min(extent.minSecond, p.m_Longitude);
        extent.maxFirst = std::max(extent.maxFirst, p.m_Latitude);
        extent.maxSecond = std::max(extent.maxSecond, p.m_Longitude);
    }
    m_StandBox = extent.Widened(kStandMargin);
    m_TrackBox = m_StandBox.Widened(kTrackMargin);
}
