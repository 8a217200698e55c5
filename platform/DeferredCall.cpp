#include "DeferredCall.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

namespace platform {

CDeferredCall::CDeferredCall(std::function<void()> call)
    : m_call(std::move(call))
    , m_context(std::make_unique<QObject>())
{
}

CDeferredCall::~CDeferredCall() = default;

void CDeferredCall::Post()
{
    if (m_bPending)
        return;
    m_bPending = true;
    QMetaObject::invokeMethod(
        m_context.get(),
        [this] {
            m_bPending = false;
            m_call();
        },
        Qt::QueuedConnection);
}

} // namespace platform
