#include "SignalBridge.h"

namespace platform {

CSignalBridge::CSignalBridge(std::function<void()> onSignal, QObject* parent)
    : CSignalBridge(std::move(onSignal), {}, parent)
{
}

void CSignalBridge::Deliver(bool hangup, bool end)
{
    if (hangup && m_onHangup)
        m_onHangup();
    if (end)
        m_onSignal();
}

} // namespace platform
