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
#include <ostream>

namespace host {

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
    platform::CPainterDeviceContext painterDc(painter);
    if (!m_Dump) {
        m_Session.Paint(painterDc);
        return;
    }
    // The recorder passes everything on to the painter, and takes the screen objects into the
    // drawing order as they are registered.
    platform::CRecordingDeviceContext recorder(&painterDc);
    const int number = m_Session.Paint(recorder, [&recorder](const ScreenObject& object) {
        platform::DrawItem item;
        item.kind = platform::DrawItem::Kind::Object;
        item.rect = object.area;
        item.text = object.id;
        item.number = object.type;
        recorder.Record(std::move(item));
    });
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

bool CHostDriver::AfterEvent()
{
    QCoreApplication::processEvents();
    ServePendingRefresh();
    return !m_Stopped;
}

} // namespace host
