// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waiting on a condition while the browser engine works. QTest::qWaitFor
// sleeps between its rounds of events, and the engine, which hands its work
// to the event loop one small task at a time, then needs a second or more
// for a page that loads in ten milliseconds under the program's own loop.
// Here the loop runs for real and the condition is checked every few
// milliseconds.

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace quorvel::testing {

template <typename Condition> bool waitUntil(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    check.start(2);
    if (!condition())
        loop.exec();
    return condition();
}

// Lets the event loop run for `ms` milliseconds, for what the engine goes on
// doing unannounced (laying out and painting a page after its load). Nothing
// wakes in between, so an idle process stays idle.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace quorvel::testing
