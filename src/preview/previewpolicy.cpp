// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewpolicy.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace quorvel {

namespace {

// The renderer is asked once the requests pause (each new page drops the
// question open on the one before), and a few more times after each request:
// an answer can come from the page before the one requested.
constexpr int kAskAfterMs = 150;
constexpr int kLooksPerRequest = 3;
// How long an answer may take: a renderer that has not shown a page yet is
// still starting; a big page keeps its renderer busy in long stretches.
// Doubled for each question in a row gone unanswered and each fresh page
// that did not help (up to 32 times), so a page that is merely slow is not
// taken for a stuck one over and over.
constexpr qint64 kAnswerMs = 400;
constexpr qint64 kFreshAnswerMs = 1500;
constexpr qint64 kAnswerMsPerMiB = 4000;
constexpr int kMaxBackoff = 5;
// A renderer that dies again before a load finishes is started again after
// a second, doubling up to a minute: a page that kills its renderer every
// time must not keep the engine busy.
constexpr int kCrashRetryMs = 1000;
constexpr int kCrashRetryMaxMs = 60000;

} // namespace

PreviewPolicy::PreviewPolicy(Clock clock)
    : m_clock(std::move(clock))
{
}

bool PreviewPolicy::overdue() const
{
    return m_phase == Phase::Asking && m_answered < m_asked.id && m_loads == m_asked.loadsAtAsk &&
           (m_silent > 0 || m_clock() - m_asked.askedAt >= m_asked.within);
}

void PreviewPolicy::startLooking(PaneVerdict &v)
{
    v.show = true;
    m_loading = true;
    m_silent = 0;
    m_looks = kLooksPerRequest;
    // A hidden pane loads its page (a screen's load step runs before the
    // screen shows) but is not asked anything until it is on view.
    if (visible()) {
        m_phase = Phase::Waiting;
        v.wakeInMs = kAskAfterMs;
    } else {
        m_phase = Phase::Hidden;
    }
}

PaneVerdict PreviewPolicy::ask(PaneVerdict v)
{
    const qint64 base =
        (m_warm ? kAnswerMs : kFreshAnswerMs) + m_bytes * kAnswerMsPerMiB / (1 << 20);
    m_phase = Phase::Asking;
    m_asked = {.id = m_asked.id + 1,
               .askedAt = m_clock(),
               .within = std::min<qint64>(base << std::min(m_strikes + m_silent, kMaxBackoff),
                                          std::numeric_limits<int>::max()),
               .loadsAtAsk = m_loads};
    v.ask = true;
    v.wakeInMs = int(m_asked.within);
    return v;
}

PaneVerdict PreviewPolicy::contentRequested(qint64 bytes)
{
    PaneVerdict v;
    // New content (the learner taking the script out, as a rule) goes to a
    // fresh page at once when the present one is known stuck, or has let a
    // question's whole time go by: a stuck renderer would not take it.
    if (m_strikes > 0 || overdue()) {
        v.replacePage = true;
        v.why = "new content while its renderer does not answer";
        m_warm = false;
    }
    m_bytes = bytes;
    m_strikes = 0;
    m_crashes = 0;
    startLooking(v);
    return v;
}

void PreviewPolicy::loadFinished(bool ok)
{
    m_loading = false;
    // A renderer that dies also ends its load, unsuccessfully.
    if (!ok)
        return;
    ++m_loads;
    m_warm = true;
    m_strikes = 0;
    m_crashes = 0;
}

void PreviewPolicy::answered(quint64 question, bool pageComplete)
{
    m_answered = std::max(m_answered, question);
    // The engine may not report the last of several overlapping loads; a
    // page seen complete says the same.
    if (pageComplete)
        m_loading = false;
}

PaneVerdict PreviewPolicy::rendererGone()
{
    m_loading = false;
    m_warm = false;
    PaneVerdict v;
    v.why = "its renderer ended";
    if (!visible()) {
        m_phase = Phase::HiddenStale;
        return v;
    }
    m_phase = Phase::Resting;
    v.show = true;
    v.showInMs = m_crashes == 0
                     ? 0
                     : std::min(kCrashRetryMaxMs, kCrashRetryMs << std::min(m_crashes - 1, 6));
    ++m_crashes;
    return v;
}

PaneVerdict PreviewPolicy::reloadDue()
{
    PaneVerdict v;
    // A hidden pane has nobody to show its page to; it loads when it shows.
    if (!visible()) {
        m_phase = Phase::HiddenStale;
        return v;
    }
    startLooking(v);
    return v;
}

PaneVerdict PreviewPolicy::shown()
{
    const bool stale = m_phase == Phase::HiddenStale;
    m_phase = Phase::Resting;
    if (stale)
        return reloadDue();
    PaneVerdict v;
    // A page still loading when its screen comes on view (the load step
    // runs hidden) is watched from now on.
    if (m_loading) {
        m_phase = Phase::Waiting;
        m_looks = kLooksPerRequest;
        v.wakeInMs = kAskAfterMs;
    }
    return v;
}

PaneVerdict PreviewPolicy::hidden()
{
    PaneVerdict v;
    m_phase = Phase::Hidden;
    // A page found stuck since its last finished load would keep a processor
    // spinning in a screen the learner has left: it goes now. Other hidden
    // pages are left alone; the engine runs them at low priority, so asking
    // them proves little.
    if (m_strikes > 0) {
        v.replacePage = true;
        v.why = "stuck when its screen was hidden";
        m_warm = false;
        m_phase = Phase::HiddenStale;
    }
    return v;
}

PaneVerdict PreviewPolicy::tick(bool rendererRunning)
{
    PaneVerdict v;
    switch (m_phase) {
    case Phase::Hidden:
    case Phase::HiddenStale:
    case Phase::Resting:
        return v;
    case Phase::Waiting:
        // No renderer yet (it is still starting): nobody to ask.
        if (!rendererRunning) {
            if (m_loading)
                v.wakeInMs = kAskAfterMs;
            else
                m_phase = Phase::Resting;
            return v;
        }
        return ask(v);
    case Phase::Asking:
        break;
    }
    // An answer, or a load finished meanwhile (a question sent to a page that
    // is then replaced is never answered): all is well.
    if (m_answered >= m_asked.id || m_loads != m_asked.loadsAtAsk) {
        m_warm = m_warm || m_answered >= m_asked.id;
        m_silent = 0;
        if (m_loading || --m_looks > 0) {
            m_phase = Phase::Waiting;
            v.wakeInMs = kAskAfterMs;
        } else {
            m_phase = Phase::Resting;
        }
        return v;
    }
    // A renderer flooded with requests can miss one question; a stuck one
    // misses the second as well, given twice the time.
    if (++m_silent < 2)
        return ask(v);
    ++m_strikes;
    m_warm = false;
    v.replacePage = true;
    v.why = "its renderer stopped answering (a script that never ends?)";
    startLooking(v);
    return v;
}

} // namespace quorvel
