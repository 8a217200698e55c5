// Test doubles for the proxy's window logic: controls that keep their state and log every change,
// a window whose FSD broadcasts are recorded, and a scratch working directory.
#pragma once

#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Keeps the controls' state like the window's model and logs each change as one text, e.g.
// "cell 1006 0 8 36000" or "text 1004 1 / 1".
class CRecordingControls : public CMemoryControls {
public:
    void SetWindowText(int id, std::string_view text) override;
    void ListInsertItem(int id, int row, std::string_view text) override;
    void ListSetItemText(int id, int row, int column, std::string_view text) override;
    void ListDeleteItem(int id, int row) override;
    void ListDeleteItems(int id, int row, int count) override;

    std::vector<std::string> log;
};

// The main window with its FSD broadcasts recorded instead of sent.
class CBroadcastRecordingDlg : public CQuorvexDlg {
public:
    using CQuorvexDlg::CQuorvexDlg;

    struct Packet {
        std::string text;
        std::string exceptCallsign;
    };

    void BroadcastPacket(std::string_view text, std::string_view callsign) override
    {
        packets.push_back({ std::string(text), std::string(callsign) });
    }
    void BroadcastShared(const std::shared_ptr<const std::string>& text) override
    {
        BroadcastPacket(*text, {});
    }

    // Feeds one line as a socket hands it over: a writable copy, NUL-terminated, as a receive of
    // its own (the window's texts are brought up to date after it).
    void Feed(std::string line)
    {
        HandleFeedLine(line.data());
        OnFeedReceived();
    }

    const CTrackedAircraft* Aircraft(std::string_view hexId) const
    {
        return m_aircraftMap.Find(hexId);
    }

    std::vector<Packet> packets;
};

// A fresh directory that is the working directory while the object lives.
class CScratchDirectory {
public:
    CScratchDirectory();
    ~CScratchDirectory();
    CScratchDirectory(const CScratchDirectory&) = delete;
    CScratchDirectory& operator=(const CScratchDirectory&) = delete;

    // Writes `content` byte for byte to `name` in the directory.
    void Write(const std::string& name, std::string_view content) const;

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

// Fails the current test unless the aircraft list has exactly one row per record and row
// listRow of each record shows its hex id.
void ExpectListMirrorsTable(const CQuorvexDlg& dlg, const CMemoryControls& controls);
