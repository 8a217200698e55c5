#include "HostDriver.h"

#include "platform/Clock.h"
#include "platform/PainterDeviceContext.h"
#include "platform/RecordingDeviceContext.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <QString>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <ostream>
#include <span>

namespace host {
namespace {

std::string FormatSeconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

} // namespace

CHostDriver::CHostDriver(
    CHostSession& session, std::ostream& out, bool dump, platform::FakeClock* clock)
    : m_Session(session)
    , m_Out(out)
    , m_Dump(dump)
    , m_Clock(clock)
{
}

void CHostDriver::Paint(QPainter& painter)
{
    const platform::Rect radar = m_Session.RadarArea();
    painter.fillRect(radar.left, radar.top, radar.Width(), radar.Height(),
        QColor(platform::RedOf(kRadarBackground), platform::GreenOf(kRadarBackground),
            platform::BlueOf(kRadarBackground)));
    platform::CPainterDeviceContext painterDc(painter, &m_TextCache);
    // The recorder passes everything on to the painter, and takes the screen objects into the
    // drawing order as they are registered. Each display's part is read back into its board.
    platform::CRecordingDeviceContext recorder(&painterDc);
    std::size_t displayStart = 0;
    m_Boards.clear();
    const int number = m_Session.Paint(
        recorder,
        [&recorder](const ScreenObject& object) {
            platform::DrawItem item;
            item.kind = platform::DrawItem::Kind::Object;
            item.rect = object.area;
            item.text = object.id;
            item.number = object.type;
            recorder.Record(std::move(item));
        },
        [&](const CDisplay& display) {
            const auto items = std::span(recorder.Items()).subspan(displayStart);
            displayStart = recorder.Items().size();
            m_Boards.push_back(ReadBoard(items, stavo::ReadBoardRows([&display](const char* key) {
                return display.Settings().Find(key);
            })));
        });
    if (!m_Dump)
        return;
    m_Out << "refresh " << number << '\n';
    for (const platform::DrawItem& item : recorder.Items()) {
        const std::string line = platform::FormatDumpLine(item);
        if (!line.empty())
            m_Out << line << '\n';
    }
    m_Out.flush();
}

QImage CHostDriver::RenderOffscreen()
{
    const platform::Rect radar = m_Session.RadarArea();
    QImage image(std::max(1, radar.right), std::max(1, radar.bottom), QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(painter);
    painter.end();
    return image;
}

bool CHostDriver::SaveSnapshot(const std::string& file, std::string* error)
{
    const QImage image = RenderOffscreen();
    if (!image.save(QString::fromStdString(file), "PNG")) {
        *error = "cannot write snapshot " + file;
        return false;
    }
    return true;
}

void CHostDriver::ServePendingRefresh()
{
    if (m_Session.RefreshPending())
        Refresh();
}

void CHostDriver::Stop()
{
    m_Stopped = true;
    if (m_Waiting != nullptr)
        m_Waiting->quit();
}

bool CHostDriver::Aircraft(const ScriptEvent& event, std::string*)
{
    m_Session.ReportAircraft(event.report, event.destination ? &*event.destination : nullptr,
        event.aircraftType ? &*event.aircraftType : nullptr);
    return true;
}

bool CHostDriver::Forget(const std::string& callsign, std::string* error)
{
    if (m_Session.ForgetAircraft(callsign))
        return true;
    *error = "no aircraft " + callsign + " to forget";
    return false;
}

bool CHostDriver::Command(const std::string& line)
{
    if (m_Progress != nullptr)
        *m_Progress << "typed: " << line << std::endl;
    return m_Session.Command(line);
}

bool CHostDriver::Drag(
    const std::string& id, platform::Point point, bool release, std::string* error)
{
    return m_Session.DragObject(id, point, release, error);
}

void CHostDriver::Refresh()
{
    if (m_WindowRepaint)
        m_WindowRepaint();
    else
        RenderOffscreen();
}

void CHostDriver::Wait(double seconds)
{
    if (m_Clock != nullptr) {
        // Time passes second by second, so that whatever happens each second happens in order.
        m_PendingSeconds += seconds;
        while (m_PendingSeconds >= 1.0 && !m_Stopped) {
            m_PendingSeconds -= 1.0;
            m_Clock->Advance(1);
            m_Session.Tick(platform::Time64());
            QCoreApplication::processEvents();
            ServePendingRefresh();
        }
        return;
    }
    QEventLoop loop;
    m_Waiting = &loop;
    QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000.0)), &loop, &QEventLoop::quit);
    if (!m_Stopped)
        loop.exec();
    m_Waiting = nullptr;
}

bool CHostDriver::Snapshot(const std::string& file, std::string* error)
{
    return SaveSnapshot(file, error);
}

std::ostream& CHostDriver::Progress()
{
    return m_Progress != nullptr ? *m_Progress : std::cerr;
}

void CHostDriver::RefreshRound()
{
    Wait(1);
    Refresh();
    const std::int64_t now = platform::Time64();
    if (m_Stopped || (m_LastCounts && now - *m_LastCounts < 5))
        return;
    m_LastCounts = now;
    std::string counts;
    for (const BoardReading& board : m_Boards)
        counts += (counts.empty() ? "" : "; ") + board.Counts();
    Progress() << "board: " << counts << std::endl;
}

bool CHostDriver::Expect(const BoardCondition& condition, double seconds, std::string* error)
{
    const std::int64_t start = platform::Time64();
    const bool connection = condition.kind == BoardCondition::Kind::Connected;
    if (connection && !m_Connected) {
        *error = "the host has no FSD server to be connected to";
        m_ExpectFailed = true;
        return false;
    }
    for (;;) {
        if (connection)
            Wait(0.5);
        else
            RefreshRound();
        if (connection ? m_Connected() : BoardShows(m_Boards, condition)) {
            if (!connection)
                Progress() << "board shows: " << condition.text << std::endl;
            return true;
        }
        if (m_Stopped)
            return true; // the user has gone; the script ends after this event anyway
        if (platform::Time64() - start >= seconds) {
            *error = connection ? "not connected within " + FormatSeconds(seconds) + " s"
                                : "the board did not show \"" + condition.text + "\" within "
                    + FormatSeconds(seconds) + " s";
            m_ExpectFailed = true;
            return false;
        }
    }
}

void CHostDriver::Watch(double seconds)
{
    const std::int64_t start = platform::Time64();
    do
        RefreshRound();
    while (!m_Stopped && platform::Time64() - start < seconds);
}

void CHostDriver::Say(const std::string& text)
{
    Progress() << text << std::endl;
}

void CHostDriver::Describe(const std::string& heading)
{
    std::string counts;
    for (const BoardReading& board : m_Boards)
        counts += (counts.empty() ? "" : "; ") + board.Counts();
    for (std::size_t at; (at = counts.find(", ")) != std::string::npos;)
        counts.replace(at, 2, " | ");
    Progress() << (heading.empty() ? "the board" : heading) << " (" << counts << "):\n";
    for (const BoardReading& board : m_Boards)
        for (const std::string& line : board.Words())
            Progress() << line << '\n';
    Progress().flush();
}

bool CHostDriver::AfterEvent()
{
    QCoreApplication::processEvents();
    ServePendingRefresh();
    return !m_Stopped;
}

} // namespace host
