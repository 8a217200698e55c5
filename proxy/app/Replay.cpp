// The replay of a recorded feed: its lines go through the feed parser, a step at a time.
#include "QuorvexDlg.h"

#include <cstdio>

void CQuorvexDlg::OnLogfileClicked()
{
    const std::string fileName = m_controls.GetWindowText(kIdEditServer);
    if (fileName.empty()) {
        m_controls.MessageBox(kFilenameEmptyText);
        return;
    }
    std::FILE* file = std::fopen(fileName.c_str(), "r");
    if (file == nullptr) {
        m_controls.MessageBox(kFileOpenErrorText);
        return;
    }
    m_pReplayFile.reset(file);
    m_controls.EnableWindow(kIdConnect, false);
    m_controls.EnableWindow(kIdLogfile, false);
    m_controls.EnableWindow(kIdPlus10, true);
    m_controls.EnableWindow(kIdDisconnect, true);
    ShowFeedCounters(); // what lines handled before showed, as they stop counting
    m_nLinesAccepted = 0;
    m_nLinesReceived = 0;
    ReplayNextLines();
}

void CQuorvexDlg::ReplayNextLines()
{
    if (!m_pReplayFile)
        return;
    for (int i = 0; i < kReplayLinesPerStep; ++i) {
        char line[kReplayReadSize];
        if (std::fgets(line, sizeof line, m_pReplayFile.get()) == nullptr) {
            // The end of the recording, or a read error: the replay is over. The clients are not
            // told, and the Connect caption stays as it is.
            m_pReplayFile.reset();
            SetIdleButtons();
            break;
        }
        HandleFeedLine(line);
    }
    ShowFeedCounters();
}

void CQuorvexDlg::ReplayTimerStep()
{
    if (m_pReplayFile)
        ReplayNextLines();
}
