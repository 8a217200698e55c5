// The replay of a recorded feed, a step at a time or at a multiple of the pace it was recorded at.
#include "Replay.h"

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

} // namespace

// The "generated" date and time of the full layout, also of a line without its leading fields.
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

void CReplay::Start(std::FILE* file)
{
    m_pFile.reset(file);
    m_bHeld = false;
    m_bPaceAnchored = false;
}

void CReplay::Stop()
{
    m_pFile.reset();
    m_bHeld = false;
}

bool CReplay::ReadLine(char (&line)[kReplayReadSize])
{
    if (m_bHeld) {
        m_bHeld = false;
        std::memcpy(line, m_strHeld.c_str(), m_strHeld.size() + 1);
        return true;
    }
    return std::fgets(line, sizeof line, m_pFile.get()) != nullptr;
}

bool CReplay::NextLines(int count, const LineSink& sink)
{
    if (!m_pFile)
        return true;
    // Lines pushed ahead of a paced replay: the pace starts again from the next timed line.
    m_bPaceAnchored = false;
    for (int i = 0; i < count; ++i) {
        char line[kReplayReadSize];
        if (!ReadLine(line)) {
            Stop();
            return false;
        }
        sink(line);
    }
    return true;
}

bool CReplay::DueLines(std::int64_t now, double speed, int timelessLines, const LineSink& sink)
{
    while (m_pFile) {
        char line[kReplayReadSize];
        if (!ReadLine(line)) {
            Stop();
            return false;
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
                <= static_cast<double>(now - m_tPaceStart) * 1000.0 * speed;
        } else {
            due = timelessLines-- > 0;
        }
        if (!due) {
            m_strHeld.assign(line);
            m_bHeld = true;
            break;
        }
        sink(line);
    }
    return true;
}
