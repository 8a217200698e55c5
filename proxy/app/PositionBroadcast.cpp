// The main window's timer: the purge, the replay step and the position broadcast.
#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "proxy/fsd/FsdPackets.h"

#include <chrono>

void CQuorvexDlg::OnTimer()
{
    // A clock set back gives a negative difference: no purge until it has caught up.
    if (platform::Time64() - m_tLastPurge > kPurgeIntervalSeconds) {
        // A duration for /metrics, not a time of day: the steady clock, not Time64().
        const auto start = std::chrono::steady_clock::now();
        PurgeStaleAircraft();
        ++m_metrics.m_nPurges;
        m_metrics.m_dPurgeSeconds
            += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m_tLastPurge = platform::Time64();
    }
    ReplayTimerStep();
    if (!m_clientList.empty())
        BroadcastPositions();
}

void CQuorvexDlg::BroadcastPositions()
{
    // The tick's packets are composed once, in map order, and every logged-in client takes them
    // as one send: one append and one backlog check per client instead of one per packet. The
    // buffer is kept from tick to tick, so a busy table does not allocate it again.
    const PositionRange range
        = m_feedOptions.positionsAnywhere ? PositionRange::Anywhere : PositionRange::NorthEast;
    m_strTick.clear();
    for (const auto& [key, aircraft] : m_aircraftMap)
        m_strTick += ComposePilotPosition(*aircraft, platform::Time64(), range);
    if (!m_strTick.empty())
        BroadcastPacket(m_strTick, {});
}
