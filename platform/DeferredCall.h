// A call run on a later turn of the event loop, after the handler that asked for it has returned:
// the way to let go of an object from inside its own event handler.
#pragma once

#include <functional>
#include <memory>

class QObject;

namespace platform {

class CDeferredCall {
public:
    explicit CDeferredCall(std::function<void()> call);
    // A call still pending is dropped.
    ~CDeferredCall();
    CDeferredCall(const CDeferredCall&) = delete;
    CDeferredCall& operator=(const CDeferredCall&) = delete;

    // Runs the call once on the loop's next turn; further Posts before it has run add nothing.
    void Post();
    bool IsPending() const { return m_bPending; }

private:
    std::function<void()> m_call;
    std::unique_ptr<QObject> m_context; // the pending call goes with it
    bool m_bPending = false;
};

} // namespace platform
