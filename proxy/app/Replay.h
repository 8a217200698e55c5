// The replay of a recorded feed: its lines, a step at a time or at a multiple of the pace they
// were recorded at. It reads; whoever owns it hands the lines on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

// A replay reads the recording in pieces of at most kReplayReadSize - 1 bytes, each a line.
inline constexpr int kReplayReadSize = 256;

class CReplay {
public:
    using LineSink = std::function<void(char* line)>;

    // Takes over an open recording; any earlier one is closed.
    void Start(std::FILE* file);
    void Stop();
    bool IsRunning() const { return m_pFile != nullptr; }

    // The next `count` lines. Returns false when the recording ended (or could not be read) on
    // the way: the replay is then stopped.
    bool NextLines(int count, const LineSink& sink);
    // The paced replay at `speed` times the recorded pace: every line whose recorded time has come
    // by `now`, and at most `timelessLines` lines without a time; the first line not due is held
    // back. Returns false when the recording ended on the way.
    bool DueLines(std::int64_t now, double speed, int timelessLines, const LineSink& sink);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // A line of the recording: the one held back by the pace first; false at its end.
    bool ReadLine(char (&line)[kReplayReadSize]);

    std::unique_ptr<std::FILE, FileCloser> m_pFile; // the recording being replayed, if any
    std::string m_strHeld; // a line of a paced replay not due yet
    bool m_bHeld = false;
    bool m_bPaceAnchored = false; // the pace has its first timed line
    std::int64_t m_nPaceRecordedMs = 0; // the recorded time of that line, in milliseconds
    std::int64_t m_tPaceStart = 0; // and when it was handled
};

// The time a feed line was generated, in milliseconds: its first "YYYY/MM/DD" field followed by
// an "HH:MM:SS[.fff]" field. Only differences matter, so the zone is of no account.
bool LineTimeMs(const char* line, std::int64_t& ms);
