// Where the stand board puts things: the final-approach slots, the stand lines and their cells,
// the rules between them, and which stand takes which cell. A value computed from the board's
// rectangle and its shape, apart from the drawing, so that the drawing, its tests and a host that
// reads a drawn board back all use the same cells.
#pragma once

#include "platform/Geometry.h"

#include <array>
#include <functional>
#include <vector>

namespace stavo {

inline constexpr int kSlotsPerRow = 5;
inline constexpr int kStandsPerLine = 2;
// The columns of a final-approach slot: callsign, status bitmap, type/stand/distance.
inline constexpr int kSlotColumns = 3;
// The columns of a stand cell: label, standing aircraft (callsign, bitmap, time on the stand),
// first allocation (callsign, bitmap, time or distance), distance of the second allocation.
inline constexpr int kStandColumns = 8;

// What the layout is computed from.
struct CBoardShape {
    platform::Rect board; // the panel: the radar area less the margins
    int finalRows = 2;
    int standLines = 27;
    std::vector<int> separators; // stand lines (from 1) with a thick rule under them, as read
    // Each stand's cell, in the board's stand order: column (0 left, 1 right) and line (from 0).
    struct Place {
        int column = 0;
        int line = 0;
    };
    std::vector<Place> stands;
};

// A rule of the grid: a horizontal one across the board at y, or a vertical one at x over the
// row that starts at y.
struct CBoardRule {
    bool vertical = false;
    bool thick = false;
    int x = 0;
    int y = 0;
};

struct CBoardLayout {
    platform::Rect board;
    int lineHeight = 0; // pixels of one slot row or stand line
    int cellWidth = 0; // pixels of one column unit
    // Every slot, row by row and left to right, with its column rectangles (full line height).
    std::vector<std::array<platform::Rect, kSlotColumns>> finalSlots;
    // Every stand cell, line by line, left then right, whether or not a stand takes it.
    std::vector<std::array<platform::Rect, kStandColumns>> standCells;
    // Per cell the index of the stand placed there, -1 for none.
    std::vector<int> cellStand;
    // Per stand whether it has a cell: a stand with a column other than 0 or 1, a line off the
    // board, or a cell taken by an earlier stand is not placed.
    std::vector<bool> placed;
    // The grid, in the order it is drawn.
    std::vector<CBoardRule> rules;

    // The cell of the stand, or nullptr when it is not placed.
    const std::array<platform::Rect, kStandColumns>* StandCell(int stand) const;
};

CBoardLayout ComputeBoardLayout(const CBoardShape& shape);

// The board's first drawing of a refresh fills `board` with the panel colour; what follows lies
// within the cells above.

// The shape's rows, lines and separators as the board reads them from its display's settings
// (`setting` gives a key's value or nullptr); the board rectangle and the stands are left empty.
CBoardShape ReadBoardRows(const std::function<const char*(const char*)>& setting);

} // namespace stavo
