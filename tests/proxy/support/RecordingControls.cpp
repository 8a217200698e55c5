#include "RecordingControls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <set>

void CRecordingControls::SetWindowText(int id, std::string_view text)
{
    log.push_back("text " + std::to_string(id) + " " + std::string(text));
    CMemoryControls::SetWindowText(id, text);
}

void CRecordingControls::ListInsertItem(int id, int row, std::string_view text)
{
    log.push_back(
        "insert " + std::to_string(id) + " " + std::to_string(row) + " " + std::string(text));
    CMemoryControls::ListInsertItem(id, row, text);
}

void CRecordingControls::ListSetItemText(int id, int row, int column, std::string_view text)
{
    log.push_back("cell " + std::to_string(id) + " " + std::to_string(row) + " "
        + std::to_string(column) + " " + std::string(text));
    CMemoryControls::ListSetItemText(id, row, column, text);
}

void CRecordingControls::ListDeleteItem(int id, int row)
{
    log.push_back("delete " + std::to_string(id) + " " + std::to_string(row));
    CMemoryControls::ListDeleteItem(id, row);
}

void CRecordingControls::ListDeleteItems(int id, int row, int count)
{
    log.push_back(
        "delete " + std::to_string(id) + " " + std::to_string(row) + " " + std::to_string(count));
    CMemoryControls::ListDeleteItems(id, row, count);
}

CScratchDirectory::CScratchDirectory()
    : m_previous(std::filesystem::current_path())
{
    // A new directory of a random name (create_directory says whether it was new).
    std::random_device random;
    for (int attempt = 0; m_path.empty(); ++attempt) {
        if (attempt == 100)
            throw std::runtime_error("cannot create a scratch directory");
        const auto candidate = std::filesystem::temp_directory_path()
            / ("quorvex-test-" + std::to_string(random()) + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error))
            m_path = candidate;
    }
    std::filesystem::current_path(m_path);
}

CScratchDirectory::~CScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void CScratchDirectory::Write(const std::string& name, std::string_view content) const
{
    std::ofstream file(m_path / name, std::ios::binary);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

void ExpectListMirrorsTable(const CQuorvexDlg& dlg, const CMemoryControls& controls)
{
    const auto& rows = controls.List(kIdAircraftList).rows;
    ASSERT_EQ(rows.size(), dlg.Traffic().m_aircraftMap.size());
    std::set<int> seen;
    for (const auto& [key, aircraft] : dlg.Traffic().m_aircraftMap) {
        EXPECT_EQ(key, aircraft.hexId);
        ASSERT_GE(aircraft.arrivalIndex, 0);
        ASSERT_LT(aircraft.arrivalIndex, static_cast<int>(rows.size()));
        EXPECT_EQ(rows[aircraft.arrivalIndex][kColHexId], aircraft.hexId);
        EXPECT_TRUE(seen.insert(aircraft.arrivalIndex).second)
            << "row " << aircraft.arrivalIndex << " twice";
    }
}
