// The replay of a recorded feed: its lines go through the feed parser, a step at a time, or at a
// multiple of the pace they were recorded at.
#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "platform/FileNames.h"

#include <cstdio>
#include <cstring>

namespace {

// The value of `count` digits at `text`, or -1.
int Digits(const char* text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// The time a feed line was generated, in milliseconds: its first "YYYY/MM/DD" field followed by
// an "HH:MM:SS[.fff]" field (the "generated" pair of the full layout, also of a line without its
// leading fields). Only differences matter, so the zone is of no account.
bool LineTimeMs(const char* line, std::int64_t& ms)
{
    for (const char* field = line; *field != '\0';) {
        const char* comma = std::strchr(field, ',');
        if (comma == nullptr)
            return false;
        const int year = Digits(field, 4);
        const int month = Digits(field + 5, 2);
        const int day = Digits(field + 8, 2);
        if (comma - field == 10 && field[4] == '/' && field[7] == '/' && year >= 0 && month >= 1
            && month <= 12 && day >= 1 && day <= 31) {
            const char* time = comma + 1;
            const int hours = Digits(time, 2);
            const int minutes = Digits(time + 3, 2);
            const int seconds = Digits(time + 6, 2);
            if (hours < 0 || hours > 23 || time[2] != ':' || minutes < 0 || minutes > 59
                || time[5] != ':' || seconds < 0 || seconds > 60)
                return false;
            int millis = 0;
            if (time[8] == '.') {
                int scale = 100;
                for (const char* p = time + 9; *p >= '0' && *p <= '9' && scale > 0; ++p) {
                    millis += (*p - '0') * scale;
                    scale /= 10;
                }
            }
            ms = ((DaysFromCivil(year, month, day) * 24 + hours) * 60 + minutes) * 60000
                + seconds * 1000 + millis;
            return true;
        }
        field = comma + 1;
    }
    return false;
}

} // namespace

void CQuorvexDlg::OnLogfileClicked()
{
    const std::string fileName = m_controls.GetWindowText(kIdEditServer);
    if (fileName.empty()) {
        m_controls.MessageBox(kFilenameEmptyText);
        return;
    }
    // Only a regular file is a recording: a directory opens but reads nothing, and a pipe or a
    // device could hold the window forever. Checked before opening, so nothing waits.
    std::FILE* file
        = platform::IsRegularFile(fileName) ? platform::OpenFile(fileName, "rb") : nullptr;
    if (file == nullptr) {
        m_controls.MessageBox(kFileOpenErrorText);
        return;
    }
    m_pReplayFile.reset(file);
    m_bReplayHeld = false;
    m_bPaceAnchored = false;
    m_controls.EnableWindow(kIdConnect, false);
    m_controls.EnableWindow(kIdLogfile, false);
    m_controls.EnableWindow(kIdPlus10, true);
    m_controls.EnableWindow(kIdDisconnect, true);
    ShowFeedCounters(); // what lines handled before showed, as they stop counting
    m_nLinesAccepted = 0;
    m_nLinesReceived = 0;
    if (m_feedOptions.replaySpeed > 0.0)
        ReplayDueLines(m_feedOptions.replayLines);
    else
        ReplayNextLines();
}

bool CQuorvexDlg::ReadReplayLine(char (&line)[kReplayReadSize])
{
    if (m_bReplayHeld) {
        m_bReplayHeld = false;
        std::memcpy(line, m_strReplayHeld.c_str(), m_strReplayHeld.size() + 1);
        return true;
    }
    return std::fgets(line, sizeof line, m_pReplayFile.get()) != nullptr;
}

void CQuorvexDlg::EndReplay()
{
    // The end of the recording, or a read error: the replay is over. The clients are not told,
    // and the Connect caption stays as it is.
    m_pReplayFile.reset();
    m_bReplayHeld = false;
    SetIdleButtons();
}

void CQuorvexDlg::ReplayNextLines()
{
    if (!m_pReplayFile)
        return;
    // Lines pushed ahead of a paced replay: the pace starts again from the next timed line.
    m_bPaceAnchored = false;
    for (int i = 0; i < m_feedOptions.replayLines; ++i) {
        char line[kReplayReadSize];
        if (!ReadReplayLine(line)) {
            EndReplay();
            break;
        }
        HandleFeedLine(line);
    }
    ShowFeedCounters();
}

void CQuorvexDlg::ReplayDueLines(int timelessLines)
{
    const std::int64_t now = platform::Time64();
    while (m_pReplayFile) {
        char line[kReplayReadSize];
        if (!ReadReplayLine(line)) {
            EndReplay();
            break;
        }
        std::int64_t ms = 0;
        bool due = true;
        if (LineTimeMs(line, ms)) {
            if (!m_bPaceAnchored) {
                m_bPaceAnchored = true;
                m_nPaceRecordedMs = ms;
                m_tPaceStart = now;
            }
            // A time before the first (a recording across midnight, a clock set back) is due.
            due = static_cast<double>(ms - m_nPaceRecordedMs)
                <= static_cast<double>(now - m_tPaceStart) * 1000.0 * m_feedOptions.replaySpeed;
        } else {
            due = timelessLines-- > 0;
        }
        if (!due) {
            m_strReplayHeld.assign(line);
            m_bReplayHeld = true;
            break;
        }
        HandleFeedLine(line);
    }
    ShowFeedCounters();
}

void CQuorvexDlg::ReplayTimerStep()
{
    if (!m_pReplayFile)
        return;
    if (m_feedOptions.replaySpeed > 0.0)
        ReplayDueLines(m_feedOptions.replayLines);
    else
        ReplayNextLines();
}
