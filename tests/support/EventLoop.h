// Running the Qt event loop from a test: until a condition holds, or for a while.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace qstest {

// Runs the event loop until `done` holds or the time is up; returns whether it held.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for a while, so that events that should not come have their chance.
inline void Settle(int ms = 100)
{
    WaitFor([] { return false; }, ms);
}

} // namespace qstest
