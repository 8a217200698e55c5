// The stand board as one refresh drew it, read back from the recorded drawing with the board's
// own layout: which callsign each final-approach slot and stand cell shows, with its bitmap and
// texts. Script conditions ("expect stand R104 AFR1394 139") are judged on it.
#pragma once

#include "platform/RecordingDeviceContext.h"
#include "plugin/board/BoardLayout.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// "-" stands for an empty cell everywhere.
struct BoardSlot {
    std::string callsign, bitmap = "-", info = "-";
};
struct BoardStand {
    std::string label;
    std::string aircraft = "-", bitmap = "-", time = "-";
    std::string allocation = "-", allocationBitmap = "-", info = "-", second = "-";
};

struct BoardReading {
    std::vector<BoardSlot> finals; // the slots that hold an aircraft, in board order
    std::vector<BoardStand> stands; // the placed stands, in board order

    // "N on final, N taxiing in, N on blocks, N at stands, N pushing back, N allocations"
    std::string Counts() const;
    // One line per occupied slot and per stand in use, in words.
    std::vector<std::string> Words() const;
};

// One display's items of one refresh, with the rows, lines and separators of its settings (the
// board rectangle is taken from the drawing). An empty reading when nothing was drawn.
BoardReading ReadBoard(std::span<const platform::DrawItem> items, stavo::CBoardShape rows);

struct BoardCondition {
    enum class Kind { Final, Stand, Allocated, Connected };
    Kind kind = Kind::Final;
    bool negated = false;
    std::string label; // Stand, Allocated
    std::string callsign; // "-": nobody
    std::optional<std::string> bitmap;
    std::string text; // as written, for messages
};

// Parses "[not] final CALLSIGN [BITMAP]", "[not] stand|allocated LABEL CALLSIGN [BITMAP]" or
// "connected"; nothing when the words are none of them.
std::optional<BoardCondition> ParseBoardCondition(const std::vector<std::string_view>& words);

// Whether the boards show the condition (a Connected condition is not judged here). A negated
// condition holds when none of the boards shows it; with no board drawn nothing holds.
bool BoardShows(const std::vector<BoardReading>& boards, const BoardCondition& condition);

} // namespace host
