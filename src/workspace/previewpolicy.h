// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <functional>

namespace quorvel {

// What the pane does next. The view carries it out in this order: replace
// the page, show the latest content (at once or after showInMs), ask the
// renderer, and call the policy's tick() again after wakeInMs.
struct PaneVerdict {
    bool replacePage = false; // drop the page and its renderer for a fresh one
    bool show = false;
    int showInMs = 0;
    bool ask = false; // a trivial question; answered(question()) when it comes
    int wakeInMs = -1;
    const char *why = ""; // for the record, when the page is replaced or shown again
};

// When the preview's renderer is to be asked whether it is still there, and
// what to do when it is not. No engine here: plain events in, verdicts out,
// time from the clock it is given (milliseconds).
//
// A renderer caught in a script that never ends takes no navigation again;
// only a fresh page (and with it a fresh renderer process) brings the pane
// back. A renderer that died needs only the page loaded again.
class PreviewPolicy final {
public:
    using Clock = std::function<qint64()>;
    explicit PreviewPolicy(Clock clock);

    PaneVerdict contentRequested(qint64 bytes);
    void loadFinished(bool ok);
    void answered(quint64 question);
    PaneVerdict rendererGone();
    PaneVerdict reloadDue();
    PaneVerdict shown();
    PaneVerdict hidden();
    PaneVerdict tick(bool rendererRunning);

    quint64 question() const { return m_question; }

private:
    bool overdue() const;
    void startLooking(PaneVerdict &v);
    PaneVerdict ask(PaneVerdict v);

    Clock m_clock;
    bool m_visible = false;
    bool m_loading = false;
    bool m_warm = false; // the renderer has answered or finished a load
    bool m_asking = false;
    bool m_showOnShow = false;
    qint64 m_bytes = 0;
    quint64 m_question = 0;
    quint64 m_answered = 0;
    qint64 m_askedAt = 0;
    qint64 m_answerWithin = 0;
    quint64 m_loads = 0;
    quint64 m_loadsAtAsk = 0;
    int m_looks = 0;
    int m_silent = 0;  // questions in a row gone unanswered
    int m_strikes = 0; // fresh pages since the last finished load
    int m_crashes = 0; // renderer deaths since the last finished load
};

} // namespace quorvel
