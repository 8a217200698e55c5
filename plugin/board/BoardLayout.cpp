#include "BoardLayout.h"

#include "plugin/model/StavoText.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

namespace stavo {
namespace {

using platform::Rect;

// One column of a cell: its width in column units, then the separator after it in pixels, 1 (a
// thin rule) or 3 (a thick rule).
struct CColumn {
    int width;
    int separator;
};

constexpr CColumn kSlotColumnWidths[kSlotColumns] = { { 7, 1 }, { 2, 1 }, { 5, 3 } };
constexpr CColumn kStandColumnWidths[kStandColumns]
    = { { 3, 3 }, { 7, 1 }, { 2, 1 }, { 5, 3 }, { 7, 1 }, { 2, 1 }, { 5, 3 }, { 5, 3 } };
constexpr int kLeastLineHeight = 10;

// Lays one slot or stand cell out from (x, y), each column preceded by the thick rule at its left
// edge for the first: fills `rects`, adds the rules, and returns the x after the last separator.
template <std::size_t N>
int LayOutCell(std::span<const CColumn, N> columns, int x, int y, const CBoardLayout& layout,
    std::array<Rect, N>& rects, std::vector<CBoardRule>& rules)
{
    rules.push_back(CBoardRule { true, true, x + 1, y });
    x += 3;
    for (std::size_t c = 0; c < N; ++c) {
        rects[c] = Rect { x, y, x + columns[c].width * layout.cellWidth, y + layout.lineHeight };
        const bool thick = columns[c].separator != 1;
        // A thick rule is centred on its middle pixel.
        rules.push_back(CBoardRule { true, thick, rects[c].right + (thick ? 1 : 0), y });
        x = rects[c].right + columns[c].separator;
    }
    return x;
}

} // namespace

const std::array<Rect, kStandColumns>* CBoardLayout::StandCell(int stand) const
{
    for (std::size_t k = 0; k < cellStand.size(); ++k)
        if (cellStand[k] == stand && stand >= 0)
            return &standCells[k];
    return nullptr;
}

CBoardLayout ComputeBoardLayout(const CBoardShape& shape)
{
    CBoardLayout layout;
    const Rect& board = shape.board;
    layout.board = board;

    // Every line gets one pixel of rule; the frame, the thick rule under the final rows and the
    // two extra pixels of each separator's thick rule take the rest.
    const std::int64_t rows = std::max(1, shape.finalRows + shape.standLines);
    const std::int64_t spare = std::int64_t { board.bottom } - board.top - 8
        - 2 * static_cast<std::int64_t>(shape.separators.size()) - rows;
    layout.lineHeight = static_cast<int>(std::max<std::int64_t>(spare / rows, kLeastLineHeight));
    layout.cellWidth = (board.right - board.left - 35) / 72;
    const int height = layout.lineHeight;
    std::vector<CBoardRule>& rules = layout.rules;

    int y = board.top;
    rules.push_back(CBoardRule { false, true, 0, y + 1 });
    y = board.top + 3;
    for (int row = 0; row < shape.finalRows; ++row) {
        int x = board.left;
        for (int i = 0; i < kSlotsPerRow; ++i)
            x = LayOutCell(std::span(kSlotColumnWidths), x, y, layout,
                layout.finalSlots.emplace_back(), rules);
        if (row < shape.finalRows - 1) {
            rules.push_back(CBoardRule { false, false, 0, y + height });
            y += height + 1;
        } else {
            rules.push_back(CBoardRule { false, true, 0, y + height + 1 });
            y += height + 3;
        }
    }

    // Each stand takes the cell of its line and column unless an earlier stand has it; a stand
    // that cannot be placed does not keep the stands after it off the board.
    const int lines = std::max(0, shape.standLines);
    layout.cellStand.assign(static_cast<std::size_t>(lines) * kStandsPerLine, -1);
    layout.placed.assign(shape.stands.size(), false);
    for (std::size_t s = 0; s < shape.stands.size(); ++s) {
        const CBoardShape::Place& place = shape.stands[s];
        if (place.column < 0 || place.column >= kStandsPerLine || place.line < 0
            || place.line >= lines)
            continue;
        int& cell = layout.cellStand[static_cast<std::size_t>(place.line) * kStandsPerLine
            + static_cast<std::size_t>(place.column)];
        if (cell >= 0)
            continue;
        cell = static_cast<int>(s);
        layout.placed[s] = true;
    }

    std::size_t separator = 0;
    for (int line = 0; line < lines; ++line) {
        int x = board.left;
        for (int half = 0; half < kStandsPerLine; ++half)
            x = LayOutCell(std::span(kStandColumnWidths), x, y, layout,
                layout.standCells.emplace_back(), rules);
        y += height;
        // A SEPARATOR value v asks for a thick rule under line v, counted from 1; the values
        // are taken in the order read.
        const bool thickRule = line == lines - 1
            || (separator < shape.separators.size() && line + 1 >= shape.separators[separator]);
        if (thickRule) {
            rules.push_back(CBoardRule { false, true, 0, y + 1 });
            y += 3;
            ++separator;
        } else {
            rules.push_back(CBoardRule { false, false, 0, y });
            y += 1;
        }
    }
    return layout;
}

CBoardShape ReadBoardRows(const std::function<const char*(const char*)>& setting)
{
    CBoardShape shape;
    const auto read = [&](const char* key, int fallback, int least, int greatest) {
        const char* value = setting(key);
        return value == nullptr ? fallback : std::clamp(ParseInt(value), least, greatest);
    };
    shape.finalRows = read("FINAL", shape.finalRows, 1, 4);
    shape.standLines = read("LINES", shape.standLines, 5, 39);
    for (int n = 1;; ++n) {
        const char* value = setting(("SEPARATOR" + std::to_string(n)).c_str());
        if (value == nullptr)
            break;
        shape.separators.push_back(ParseInt(value));
    }
    return shape;
}

} // namespace stavo
