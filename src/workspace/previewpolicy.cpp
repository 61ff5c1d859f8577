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
    return m_asking && m_answered < m_question && m_loads == m_loadsAtAsk &&
           (m_silent > 0 || m_clock() - m_askedAt >= m_answerWithin);
}

void PreviewPolicy::startLooking(PaneVerdict &v)
{
    v.show = true;
    v.wakeInMs = kAskAfterMs;
    m_loading = true;
    m_asking = false;
    m_silent = 0;
    m_looks = kLooksPerRequest;
}

PaneVerdict PreviewPolicy::ask(PaneVerdict v)
{
    m_asking = true;
    ++m_question;
    m_askedAt = m_clock();
    m_loadsAtAsk = m_loads;
    const qint64 base =
        (m_warm ? kAnswerMs : kFreshAnswerMs) + m_bytes * kAnswerMsPerMiB / (1 << 20);
    m_answerWithin = std::min<qint64>(base << std::min(m_strikes + m_silent, kMaxBackoff),
                                      std::numeric_limits<int>::max());
    v.ask = true;
    v.wakeInMs = int(m_answerWithin);
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
    m_showOnShow = false;
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

void PreviewPolicy::answered(quint64 question)
{
    m_answered = std::max(m_answered, question);
}

PaneVerdict PreviewPolicy::rendererGone()
{
    m_loading = false;
    m_asking = false;
    m_warm = false;
    PaneVerdict v;
    v.why = "its renderer ended";
    if (!m_visible) {
        m_showOnShow = true;
        return v;
    }
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
    if (!m_visible) {
        m_showOnShow = true;
        return v;
    }
    m_showOnShow = false;
    startLooking(v);
    return v;
}

PaneVerdict PreviewPolicy::shown()
{
    m_visible = true;
    return m_showOnShow ? reloadDue() : PaneVerdict{};
}

PaneVerdict PreviewPolicy::hidden()
{
    m_visible = false;
    m_asking = false;
    PaneVerdict v;
    // A page found stuck since its last finished load would keep a processor
    // spinning in a screen the learner has left: it goes now. Other hidden
    // pages are left alone; the engine runs them at low priority, so asking
    // them proves little.
    if (m_strikes > 0) {
        v.replacePage = true;
        v.why = "stuck when its screen was hidden";
        m_warm = false;
        m_showOnShow = true;
    }
    return v;
}

PaneVerdict PreviewPolicy::tick(bool rendererRunning)
{
    PaneVerdict v;
    if (!m_visible) {
        m_asking = false;
        return v;
    }
    if (!m_asking) {
        // No renderer yet (it is still starting): nobody to ask.
        if (!rendererRunning) {
            if (m_loading)
                v.wakeInMs = kAskAfterMs;
            return v;
        }
        return ask(v);
    }
    m_asking = false;
    // An answer, or a load finished meanwhile (a question sent to a page that
    // is then replaced is never answered): all is well.
    if (m_answered >= m_question || m_loads != m_loadsAtAsk) {
        m_warm = m_warm || m_answered >= m_question;
        m_silent = 0;
        if (m_loading || --m_looks > 0)
            v.wakeInMs = kAskAfterMs;
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
