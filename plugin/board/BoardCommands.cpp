// The controller's two ways of changing the board: ".stavo" command lines typed into the host's
// command line, and callsigns dragged onto stands. Their effects show at the next refresh.
#include "plugin/model/StavoScreen.h"
#include "plugin/model/StavoText.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kCommandPrefix = ".stavo";

// A stand name and what follows it. The blank that ends the name is looked for from the second
// character on, so a name has at least one character; without a blank the whole text is the name.
struct CStandArgument {
    std::string_view stand;
    std::string_view callsign;
    bool hasCallsign = false;
};

CStandArgument SplitStandArgument(std::string_view argument)
{
    const std::size_t blank = argument.find(' ', 1);
    if (blank == std::string_view::npos)
        return { argument, {}, false };
    return { argument.substr(0, blank), argument.substr(blank + 1), true };
}

// The argument text after the sub-command word, when the command begins with that word.
std::optional<std::string_view> ArgumentOf(std::string_view command, std::string_view word)
{
    if (!command.starts_with(word))
        return std::nullopt;
    return command.substr(word.size());
}

} // namespace

bool CStavoScreen::OnCompileCommand(const char* commandLine)
{
    if (commandLine == nullptr)
        return false;
    std::string_view line(commandLine);
    // The sub-command follows ".stavo" directly and every word ends in its blank; all of it is
    // case-sensitive.
    if (!line.starts_with(kCommandPrefix))
        return false;
    const std::string_view command = line.substr(kCommandPrefix.size());

    if (const auto argument = ArgumentOf(command, "arr ")) {
        const CStandArgument split = SplitStandArgument(*argument);
        if (!split.hasCallsign)
            return false;
        AllocateArrival(split.stand, split.callsign);
        return true;
    }
    if (const auto argument = ArgumentOf(command, "dep ")) {
        if (argument->empty())
            return false;
        const CStandArgument split = SplitStandArgument(*argument);
        AllocateDeparture(split.stand, split.hasCallsign ? split.callsign : "*");
        return true;
    }
    if (const auto argument = ArgumentOf(command, "free ")) {
        if (argument->empty())
            return false;
        const int stand = FindStandByName(*argument);
        if (stand >= 0)
            RemoveAllocation(stand, 0);
        else
            RemoveAllocations(*argument);
        return true;
    }
    if (const auto argument = ArgumentOf(command, "push ")) {
        const TrackedNode node = FindTrackedAircraft(*argument);
        if (node != m_TrackedAircraft.end()
            && (node->m_State == StateAtStand || node->m_State == StateOnBlock)) {
            node->m_State = StatePushback;
            node->m_StateTime = GetTime();
        }
        return true;
    }
    if (const auto argument = ArgumentOf(command, "gate ")) {
        if (argument->empty())
            return false;
        const CStandArgument split = SplitStandArgument(*argument);
        const int stand = FindStandByName(split.stand);
        if (stand < 0)
            return false;
        if (!split.hasCallsign) {
            // Clearing the stand's second reference position is a command carried out.
            m_Stands[stand].m_PositionValid[1] = false;
            return true;
        }
        const VeltrixPlugIn::CAircraft aircraft
            = SelectAircraft(stavo::ToUpperAscii(split.callsign));
        if (!aircraft.IsValid())
            return false;
        m_Stands[stand].m_Position[1] = aircraft.GetPosition().GetPosition();
        m_Stands[stand].m_PositionValid[1] = true;
        return true;
    }
    // The margins are taken as typed, unlike the settings' 0..500: a controller may push the
    // board past the radar area's edges on purpose.
    if (const auto argument = ArgumentOf(command, "left ")) {
        m_LeftEmpty = stavo::ParseInt(*argument);
        return true;
    }
    if (const auto argument = ArgumentOf(command, "right ")) {
        m_RightEmpty = stavo::ParseInt(*argument);
        return true;
    }
    if (const auto argument = ArgumentOf(command, "top ")) {
        m_TopEmpty = stavo::ParseInt(*argument);
        return true;
    }
    if (const auto argument = ArgumentOf(command, "bottom ")) {
        m_BottomEmpty = stavo::ParseInt(*argument);
        return true;
    }
    return false;
}

void CStavoScreen::OnPressScreenObject(
    int objectType, const char* objectId, platform::Point pt, platform::Rect area, bool released)
{
    m_ClickedObjectType = released ? 0 : objectType;
    m_ClickedObjectId = objectId != nullptr ? objectId : "";
    m_ClickedArea = area;
    RequestRefresh();

    // Stands the last refresh did not place have an empty area and are never selected.
    m_SelectedStand = -1;
    for (std::size_t s = 0; s < m_Stands.size(); ++s) {
        if (m_Stands[s].m_Area.Contains(pt)) {
            m_SelectedStand = static_cast<int>(s);
            break;
        }
    }
    if (m_SelectedStand < 0 || !released)
        return;

    const TrackedNode node = FindTrackedAircraft(m_ClickedObjectId);
    if (node == m_TrackedAircraft.end())
        return;
    // The allocation operations address the stand by its name, as the commands do.
    const std::string standName = m_Stands[m_SelectedStand].m_Name;
    if (node->m_State == StateAtStand)
        AllocateDeparture(standName, m_ClickedObjectId);
    if (node->m_State == StateInbound || node->m_State == StateTaxiIn)
        AllocateArrival(standName, m_ClickedObjectId);
}
