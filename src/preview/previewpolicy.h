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
    bool ask = false; // answered(question(), ...) when the answer comes
    int wakeInMs = -1;
    const char *why = ""; // for the record, when the page is replaced
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
    // The engine says a load finished. It says so once for loads that
    // overlap, so the last page of a quick run of keys may never report.
    void loadFinished(bool ok);
    // The renderer answered a question; `pageComplete` when the answer came
    // from a document that had finished loading.
    void answered(quint64 question, bool pageComplete);
    PaneVerdict rendererGone();
    PaneVerdict reloadDue();
    PaneVerdict shown();
    PaneVerdict hidden();
    PaneVerdict tick(bool rendererRunning);

    quint64 question() const { return m_asked.id; }

private:
    enum class Phase {
        Hidden,      // nobody sees the pane: nothing is asked
        HiddenStale, // hidden, and its page must be loaded again when shown
        Resting,     // on view, nothing to find out
        Waiting,     // on view, asking once the requests pause
        Asking,      // on view, a question in flight
    };
    // The question in flight (or the last one).
    struct Question {
        quint64 id = 0;
        qint64 askedAt = 0;
        qint64 within = 0;      // how long its answer may take
        quint64 loadsAtAsk = 0; // finished loads when it was asked
    };

    bool visible() const { return m_phase != Phase::Hidden && m_phase != Phase::HiddenStale; }
    bool overdue() const;
    void startLooking(PaneVerdict &v);
    PaneVerdict ask(PaneVerdict v);

    Clock m_clock;
    Phase m_phase = Phase::Hidden;
    Question m_asked;
    quint64 m_answered = 0; // the latest question answered
    quint64 m_loads = 0;    // loads finished
    qint64 m_bytes = 0;     // size of the page requested last
    bool m_loading = false;
    bool m_warm = false; // the renderer has answered or finished a load
    int m_looks = 0;     // questions still to ask for the latest request
    int m_silent = 0;    // questions in a row gone unanswered
    int m_strikes = 0;   // fresh pages since the last finished load
    int m_crashes = 0;   // renderer deaths since the last finished load
};

} // namespace quorvel
