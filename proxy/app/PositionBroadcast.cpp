// The main window's timer: the purge, the replay step and the position broadcast.
#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "proxy/fsd/FsdPackets.h"

#include <chrono>
#include <memory>
#include <string>

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
    // The tick's packets are composed once, in map order, into one text that every logged-in
    // client's socket queues by reference: no copy and one backlog check per client. A client
    // that reads slowly may still hold the last tick's text; then this tick gets a text of its
    // own, else the last one is reused, so a busy table does not allocate it again.
    const PositionRange range
        = m_feedOptions.positionsAnywhere ? PositionRange::Anywhere : PositionRange::NorthEast;
    if (m_pTick == nullptr || m_pTick.use_count() > 1) {
        auto fresh = std::make_shared<std::string>();
        if (m_pTick != nullptr)
            fresh->reserve(m_pTick->size());
        m_pTick = std::move(fresh);
    } else {
        m_pTick->clear();
    }
    for (const auto& [key, aircraft] : m_aircraftMap)
        *m_pTick += ComposePilotPosition(aircraft, platform::Time64(), range);
    if (!m_pTick->empty())
        BroadcastShared(m_pTick);
}
