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
#include <utility>

namespace quorvel::testing {

template <typename Condition> bool waitUntil(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    bool met = condition();
    if (met)
        return true;
    QEventLoop loop;
    QTimer check;
    bool checking = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        // A condition may wait itself (asking a page runs an event loop), and
        // the timer goes on meanwhile: one check at a time, and the wait ends
        // on the answer of the check that ended it, not on a later one.
        if (std::exchange(checking, true))
            return;
        met = condition();
        checking = false;
        if (met || deadline.hasExpired())
            loop.quit();
    });
    check.start(2);
    loop.exec();
    return met;
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
