#include "IcaoDataTable.h"

#include "FieldList.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

bool KeyLess(const CIcaoDataElement& a, const CIcaoDataElement& b)
{
    return platform::CompareAsciiNoCase(a.key, b.key) < 0;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

int CIcaoDataTable::Load(const std::string& name)
{
    elements.clear();
    fileName = name;
    int skipped = 0;
    Reload(name, skipped);
    return GetSize();
}

bool CIcaoDataTable::Reload(const std::string& name, int& skipped)
{
    skipped = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    if (!file)
        return false;

    // Rows are appended in file order and sorted once at the end with a stable sort. That gives
    // exactly what inserting each row with InsertSorted gives (equal keys stay in file order), but
    // an unsorted file of many thousand rows does not cost a shift of the table per line.
    std::vector<CIcaoDataElement> rows;
    bool sorted = true;
    char line[kMaxLineLength + 1];
    CFieldList fields;
    while (std::fgets(line, sizeof line, file.get()) != nullptr) {
        if (fields.Split(line, '\t') < 2) {
            ++skipped;
            continue;
        }
        CIcaoDataElement& row = rows.emplace_back();
        row.key = fields.field[0];
        const int columns = std::min(fields.fieldCount - 1, CIcaoDataElement::kColumns);
        for (int i = 0; i < columns; ++i) {
            const char* text = fields.field[i + 1];
            while (*text == ' ')
                ++text;
            row.column[i] = text;
        }
        if (sorted && rows.size() > 1 && KeyLess(row, rows[rows.size() - 2]))
            sorted = false;
    }
    if (std::ferror(file.get()))
        return false; // a directory, an I/O error: half a table would be worse than the old one
    if (!sorted)
        std::stable_sort(rows.begin(), rows.end(), KeyLess);
    elements = std::move(rows);
    fileName = name;
    return true;
}

void CIcaoDataTable::InsertSorted(const CIcaoDataElement& row)
{
    auto slot = elements.end();
    while (slot != elements.begin() && KeyLess(row, *(slot - 1)))
        --slot;
    elements.insert(slot, row);
}

int CIcaoDataTable::Find(std::string_view key) const
{
    int lo = 0;
    int hi = GetSize() - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int order = platform::CompareAsciiNoCase(elements[mid].key, key);
        if (order == 0)
            return mid;
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

const CIcaoDataElement& CIcaoDataTable::GetAt(int index) const
{
    if (index < 0 || index >= GetSize())
        throw std::invalid_argument("CIcaoDataTable::GetAt: index out of range");
    return elements[index];
}
