// Drives a host session on the Qt event loop: paints its refreshes (into the window or an
// offscreen image, dumping them when asked), runs the events of a script, lets time pass on the
// real or a fake clock, and writes snapshots.
#pragma once

#include "HostSession.h"
#include "Script.h"
#include "platform/PainterDeviceContext.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class QEventLoop;
class QPainter;

namespace platform {
class FakeClock;
}

namespace host {

class CHostDriver final : public CScriptHost {
public:
    // The radar area's background under the displays.
    static constexpr unsigned kRadarBackground = 0x201810; // 0x00BBGGRR: a dark blue-grey

    // `clock` is the fake clock when the host runs on one, else nullptr. With `dump`, every
    // refresh is printed to `out`.
    CHostDriver(CHostSession& session, std::ostream& out, bool dump, platform::FakeClock* clock);
    CHostDriver(const CHostDriver&) = delete;
    CHostDriver& operator=(const CHostDriver&) = delete;

    // A window repaints its radar area at once through this; without one, refreshes are drawn
    // offscreen.
    void SetWindowRepaint(std::function<void()> repaint) { m_WindowRepaint = std::move(repaint); }
    // Where say, the outcome of expect and, every 5 seconds of refreshing, the board's counts
    // go (standard error unless set). Once set, typed commands are told there as well.
    void SetProgress(std::ostream* progress) { m_Progress = progress; }
    // Tells whether the host is connected to its FSD server, for "expect connected".
    void SetConnectedProbe(std::function<bool()> probe) { m_Connected = std::move(probe); }
    // The boards of the last refresh, one per display, read back from what they drew.
    const std::vector<BoardReading>& Boards() const { return m_Boards; }
    // An expect of the script did not come in time.
    bool ExpectFailed() const { return m_ExpectFailed; }

    // One refresh with an active painter over the radar area: the background, then every
    // display. Printed when dumping.
    void Paint(QPainter& painter);
    // One refresh drawn into an image of the radar area.
    QImage RenderOffscreen();
    // A refresh, written as a PNG picture.
    bool SaveSnapshot(const std::string& file, std::string* error);
    // A refresh if a display asked for one.
    void ServePendingRefresh();
    // The user has gone (window closed, interrupt): a running script stops after its event.
    void Stop();
    bool Stopped() const { return m_Stopped; }

    // CScriptHost
    bool Aircraft(const ScriptEvent& event, std::string* error) override;
    bool Forget(const std::string& callsign, std::string* error) override;
    bool Command(const std::string& line) override;
    bool Drag(
        const std::string& id, platform::Point point, bool release, std::string* error) override;
    void Refresh() override;
    void Wait(double seconds) override;
    bool Snapshot(const std::string& file, std::string* error) override;
    bool Expect(const BoardCondition& condition, double seconds, std::string* error) override;
    void Watch(double seconds) override;
    void Say(const std::string& text) override;
    void Describe(const std::string& heading) override;
    bool AfterEvent() override;

private:
    std::ostream& Progress();
    // One second of time, then a refresh; the board's counts when 5 seconds have passed since
    // they were last shown.
    void RefreshRound();

    CHostSession& m_Session;
    std::ostream& m_Out;
    bool m_Dump;
    platform::FakeClock* m_Clock;
    double m_PendingSeconds = 0.0; // of a fake clock: fractions of a second not yet passed
    std::function<void()> m_WindowRepaint;
    QEventLoop* m_Waiting = nullptr; // a real-time wait in progress
    bool m_Stopped = false;
    std::ostream* m_Progress = nullptr;
    std::function<bool()> m_Connected;
    std::vector<BoardReading> m_Boards;
    platform::CPainterTextCache m_TextCache; // the texts a refresh drew, kept for the next one
    std::optional<std::int64_t> m_LastCounts; // when the counts were last shown
    bool m_ExpectFailed = false;
};

} // namespace host
