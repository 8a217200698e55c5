// Test doubles for the proxy's window logic: controls that keep their state and log every change,
// a window whose FSD broadcasts are recorded, and a scratch working directory.
#pragma once

#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/fsd/FsdPackets.h"

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

// The main window, with the callsigns its traffic model announces recorded as the deletions the
// FSD server broadcasts for them.
class CBroadcastRecordingDlg : public CQuorvexDlg, private CTrafficListener {
public:
    explicit CBroadcastRecordingDlg(platform::CDialogControls& controls)
        : CQuorvexDlg(controls)
    {
        Traffic().AddListener(*this);
    }
    ~CBroadcastRecordingDlg() override { Traffic().RemoveListener(*this); }

    struct Packet {
        std::string text;
        std::string exceptCallsign;
    };

    // Feeds one line as a socket hands it over: a writable copy, NUL-terminated, as a receive of
    // its own (the window's texts are brought up to date after it).
    void Feed(std::string line)
    {
        HandleFeedLine(line.data());
        ShowFeedCounters();
    }

    const CTrackedAircraft* Aircraft(std::string_view hexId) const
    {
        return Traffic().m_aircraftMap.Find(hexId);
    }

    std::vector<Packet> packets;

private:
    void OnCallsignKnown(const CTrackedAircraft& /*aircraft*/, std::string_view oldName) override
    {
        packets.push_back({ ComposeDeletePilot(oldName), "" });
    }
};

// An event log that keeps the texts of the events.
class CTextLog final : public CEventSink {
public:
    void Log(LogLevel /*level*/, std::string_view /*kind*/, std::string text) override
    {
        texts.push_back(std::move(text));
    }
    std::vector<std::string> texts;
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
// arrivalIndex of each record shows its hex id.
void ExpectListMirrorsTable(const CQuorvexDlg& dlg, const CMemoryControls& controls);
