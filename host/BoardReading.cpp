#include "BoardReading.h"

#include "ScreenObjects.h"

#include <cstdio>
#include <map>

namespace host {
namespace {

using platform::DrawItem;

bool IsOneOf(const std::string& bitmap, const char* a, const char* b)
{
    return bitmap == a || bitmap == b;
}

// Sets a cell's value once: a later item over the same column (the text of a callsign being
// dragged) does not replace what the cell shows.
void Take(std::string& field, const std::string& value)
{
    if (field == "-" || field.empty())
        field = value;
}

} // namespace

BoardReading ReadBoard(std::span<const DrawItem> items, stavo::CBoardShape rows)
{
    BoardReading reading;
    const DrawItem* panel = nullptr;
    for (const DrawItem& item : items)
        if (item.kind == DrawItem::Kind::Fill) {
            panel = &item;
            break;
        }
    if (panel == nullptr)
        return reading;
    rows.board = panel->rect;
    rows.stands.clear();
    const stavo::CBoardLayout layout = stavo::ComputeBoardLayout(rows);

    std::vector<BoardSlot> slots(layout.finalSlots.size());
    std::vector<BoardStand> stands(layout.standCells.size());
    for (BoardSlot& slot : slots)
        slot.callsign = "-";
    for (const DrawItem& item : items) {
        const bool isText = item.kind == DrawItem::Kind::Text;
        const bool isBitmap = item.kind == DrawItem::Kind::Bitmap;
        const bool isObject = item.kind == DrawItem::Kind::Object;
        if (!isText && !isBitmap && !isObject)
            continue;
        const std::string value = isBitmap ? std::to_string(item.number) : item.text;
        const platform::Point centre = CentreOf(item.rect);
        for (std::size_t k = 0; k < slots.size(); ++k) {
            const auto& cell = layout.finalSlots[k];
            if (isObject && cell[0].Contains(centre))
                Take(slots[k].callsign, value);
            else if (isBitmap && cell[1].Contains(centre))
                Take(slots[k].bitmap, value);
            else if (isText && cell[2].Contains(centre))
                Take(slots[k].info, value);
        }
        for (std::size_t k = 0; k < stands.size(); ++k) {
            const auto& cell = layout.standCells[k];
            BoardStand& stand = stands[k];
            int column = -1;
            for (int c = 0; c < stavo::kStandColumns && column < 0; ++c)
                if (cell[c].Contains(centre))
                    column = c;
            // Callsigns are read from their screen objects, everything else from what is drawn.
            if (isObject && column == 1)
                Take(stand.aircraft, value);
            else if (isObject && column == 4)
                Take(stand.allocation, value);
            else if (isBitmap && column == 2)
                Take(stand.bitmap, value);
            else if (isBitmap && column == 5)
                Take(stand.allocationBitmap, value);
            else if (isText && column == 0)
                Take(stand.label, value);
            else if (isText && column == 3)
                Take(stand.time, value);
            else if (isText && column == 6)
                Take(stand.info, value);
            else if (isText && column == 7)
                Take(stand.second, value);
        }
    }
    for (BoardSlot& slot : slots)
        if (slot.callsign != "-")
            reading.finals.push_back(std::move(slot));
    for (BoardStand& stand : stands)
        if (!stand.label.empty())
            reading.stands.push_back(std::move(stand));
    return reading;
}

std::string BoardReading::Counts() const
{
    int final = 0, taxi = 0, blocks = 0, atStands = 0, push = 0, allocations = 0;
    for (const BoardSlot& slot : finals) {
        final += IsOneOf(slot.bitmap, "139", "141");
        taxi += IsOneOf(slot.bitmap, "180", "181");
    }
    for (const BoardStand& stand : stands) {
        blocks += IsOneOf(stand.bitmap, "139", "141");
        atStands += IsOneOf(stand.bitmap, "142", "183");
        push += IsOneOf(stand.bitmap, "146", "186");
        allocations += (stand.allocation != "-") + (stand.second != "-");
    }
    return std::to_string(final) + " on final, " + std::to_string(taxi) + " taxiing in, "
        + std::to_string(blocks) + " on blocks, " + std::to_string(atStands) + " at stands, "
        + std::to_string(push) + " pushing back, " + std::to_string(allocations) + " allocations";
}

std::vector<std::string> BoardReading::Words() const
{
    std::map<std::string, std::string> allocatedStand; // callsign -> label, the last one
    for (const BoardStand& stand : stands)
        if (stand.allocation != "-")
            allocatedStand[stand.allocation] = stand.label;
    std::vector<std::string> lines;
    char line[512];
    for (const BoardSlot& slot : finals) {
        const auto stand = allocatedStand.find(slot.callsign);
        const std::string where = stand != allocatedStand.end()
            ? "stand " + stand->second + " allocated (green)"
            : "no stand allocated (red)";
        std::snprintf(line, sizeof line, "  final approach  %-8s %s, %s", slot.callsign.c_str(),
            IsOneOf(slot.bitmap, "180", "181") ? "taxiing in" : "on final", where.c_str());
        lines.emplace_back(line);
    }
    for (const BoardStand& stand : stands) {
        const bool standing = stand.aircraft != "-";
        if (!standing && stand.allocation == "-")
            continue;
        std::string what;
        if (standing) {
            const std::string& b = stand.bitmap;
            what = b == "142" ? "at the stand, not allocated to it (red)"
                : b == "183"  ? "at its allocated stand (blue)"
                : b == "146"  ? "pushing back, stand not allocated to it (red)"
                : b == "186"  ? "pushing back from its allocated stand (blue)"
                : b == "139"  ? "on blocks at its allocated stand (green)"
                              : "on blocks, stand not allocated to it (red)";
            what += " for " + stand.time;
        }
        if (stand.allocation != "-") {
            const std::string next = stand.allocationBitmap == "183" ? "departure"
                : stand.info == "TAXI"                               ? "arrival taxiing in"
                                       : "arrival, " + stand.info + " NM out";
            what += (what.empty() ? "" : "; ") + std::string("allocated to ") + stand.allocation
                + " (" + next + ")";
        }
        std::snprintf(line, sizeof line, "  stand %-9s %-8s %s", stand.label.c_str(),
            standing ? stand.aircraft.c_str() : "", what.c_str());
        lines.emplace_back(line);
    }
    return lines;
}

std::optional<BoardCondition> ParseBoardCondition(const std::vector<std::string_view>& words)
{
    BoardCondition condition;
    std::size_t i = 0;
    if (i < words.size() && words[i] == "not") {
        condition.negated = true;
        ++i;
    }
    if (i >= words.size())
        return std::nullopt;
    const std::string_view kind = words[i++];
    const std::size_t rest = words.size() - i;
    if (kind == "connected" && rest == 0 && !condition.negated) {
        condition.kind = BoardCondition::Kind::Connected;
    } else if (kind == "final" && (rest == 1 || rest == 2)) {
        condition.kind = BoardCondition::Kind::Final;
        condition.callsign = words[i++];
    } else if ((kind == "stand" || kind == "allocated") && (rest == 2 || rest == 3)) {
        condition.kind
            = kind == "stand" ? BoardCondition::Kind::Stand : BoardCondition::Kind::Allocated;
        condition.label = words[i++];
        condition.callsign = words[i++];
    } else {
        return std::nullopt;
    }
    if (i < words.size()) {
        const std::string_view bitmap = words[i];
        if (bitmap.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt; // a bitmap is named by its number
        condition.bitmap = std::string(bitmap);
    }
    for (std::size_t k = 0; k < words.size(); ++k)
        condition.text += (k > 0 ? " " : "") + std::string(words[k]);
    return condition;
}

bool BoardShows(const std::vector<BoardReading>& boards, const BoardCondition& condition)
{
    if (boards.empty())
        return false;
    const auto bitmapFits = [&](const std::string& bitmap) {
        return !condition.bitmap || *condition.bitmap == bitmap;
    };
    bool found = false;
    for (const BoardReading& board : boards) {
        if (condition.kind == BoardCondition::Kind::Final) {
            for (const BoardSlot& slot : board.finals)
                found |= slot.callsign == condition.callsign && bitmapFits(slot.bitmap);
        }
        for (const BoardStand& stand : board.stands) {
            if (stand.label != condition.label)
                continue;
            if (condition.kind == BoardCondition::Kind::Stand)
                found |= stand.aircraft == condition.callsign && bitmapFits(stand.bitmap);
            else if (condition.kind == BoardCondition::Kind::Allocated)
                found
                    |= stand.allocation == condition.callsign && bitmapFits(stand.allocationBitmap);
        }
    }
    return found != condition.negated;
}

} // namespace host
