// The lookup tables: one tab-separated file each, held sorted by key without regard to ASCII case
// and searched by bisection.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One row of a lookup file: the first field and the ten after it.
struct CIcaoDataElement {
    static constexpr int kColumns = 10;

    std::string key;
    std::string column[kColumns];
};

class CIcaoDataTable {
public:
    // Longest piece of a line read at once; a longer line is read, and loaded, as several lines.
    static constexpr int kMaxLineLength = 255;

    // Replaces the contents with the rows of `fileName`: TAB-separated, key first, leading spaces
    // of every column removed, lines without a TAB skipped. A file that cannot be opened leaves
    // the table empty, silently. Returns the number of rows loaded.
    int Load(const std::string& fileName);

    // Load for a table in use: the rows of `fileName` replace the contents only when the whole
    // file could be read; otherwise the table stays as it was and the result is false.
    // `skipped` receives the number of lines without a TAB.
    bool Reload(const std::string& fileName, int& skipped);

    // Inserts a copy of `row` after every row whose key is less than or equal to it, so rows
    // with equal keys keep their order of insertion.
    void InsertSorted(const CIcaoDataElement& row);

    // Index of a row whose key equals `key` (ASCII case ignored), found by bisection; -1 if none.
    // Among equal keys, whichever the bisection reaches first.
    int Find(std::string_view key) const;

    // The row at `index`; throws std::invalid_argument outside 0 .. GetSize() - 1.
    const CIcaoDataElement& GetAt(int index) const;

    int GetSize() const { return static_cast<int>(elements.size()); }

    std::vector<CIcaoDataElement> elements; // sorted by key, ASCII case ignored
    std::string fileName; // file last loaded
};
