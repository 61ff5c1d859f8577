// The preview pane's rules, driven in milliseconds without an engine: each
// case is a fault the pane once met or would meet without its rule.
#include "workspace/previewpolicy.h"

#include <QTest>

using quorvel::PaneVerdict;
using quorvel::PreviewPolicy;

namespace {

// A policy on a clock the test moves, visible as a pane on the screen.
struct Pane {
    qint64 now = 0;
    PreviewPolicy policy{[this] { return now; }};
    Pane() { policy.shown(); }
    // Lets the time the last verdict asked for go by, answering any question
    // when `answers`, and returns the next verdict.
    PaneVerdict wake(const PaneVerdict &v, bool answers)
    {
        if (v.ask && answers)
            policy.answered(policy.question());
        now += v.wakeInMs;
        return policy.tick(true);
    }
};

} // namespace

class TestPreviewPolicy final : public QObject {
    Q_OBJECT

private slots:
    void endlessScript_pageReplacedAfterTwoSilentQuestions()
    {
        Pane p;
        PaneVerdict v = p.policy.contentRequested(100);
        QVERIFY(v.show && !v.replacePage);
        v = p.wake(v, false); // the requests paused: asked
        QVERIFY(v.ask);
        v = p.wake(v, false); // a renderer flooded with requests may miss one
        QVERIFY(v.ask && !v.replacePage);
        v = p.wake(v, false);
        QVERIFY(v.replacePage && v.show);
        // The fresh page runs the same loop: found again, given longer.
        v = p.wake(p.wake(v, false), false);
        const int longer = v.wakeInMs;
        v = p.wake(v, false);
        QVERIFY(v.replacePage);
        QVERIFY(longer > 1500);
    }

    void answeringRenderer_neverReplaced_andAskingStops()
    {
        Pane p;
        PaneVerdict v = p.policy.contentRequested(100);
        p.policy.loadFinished(true);
        int questions = 0;
        while (v.wakeInMs >= 0) {
            QVERIFY(!v.replacePage);
            questions += v.ask;
            v = p.wake(v, true);
        }
        // A few looks after each request (an answer can come from the page
        // before), then the pane costs nothing.
        QVERIFY(questions >= 2 && questions <= 3);
    }

    void loadFinishedMeanwhile_unansweredQuestionForgiven()
    {
        Pane p;
        PaneVerdict v = p.wake(p.policy.contentRequested(100), false);
        QVERIFY(v.ask);
        p.policy.loadFinished(true); // the question went to the page it replaced
        p.now += v.wakeInMs;
        QVERIFY(!p.policy.tick(true).replacePage);
    }

    void tenMegabytePaste_givenTimeInProportion()
    {
        Pane small;
        const int smallWait = small.wake(small.policy.contentRequested(100), false).wakeInMs;
        Pane big;
        const PaneVerdict v = big.wake(big.policy.contentRequested(10 << 20), false);
        QVERIFY(v.ask);
        QVERIFY(v.wakeInMs >= smallWait + 40000);
    }

    void scriptTakenOut_newContentGoesToAFreshPageAtOnce()
    {
        Pane p;
        PaneVerdict v = p.policy.contentRequested(100);
        v = p.wake(v, false);
        QVERIFY(v.ask);
        // Before the question's time is up the renderer may yet answer.
        p.now += v.wakeInMs / 2;
        QVERIFY(!p.policy.contentRequested(100).replacePage);
        v = p.wake(p.policy.contentRequested(100), false);
        p.now += v.wakeInMs; // the whole time gone by, unanswered
        QVERIFY(p.policy.contentRequested(90).replacePage);
    }

    void stuckInAHiddenScreen_droppedOnHide_notAskedWhileHidden_loadedOnShow()
    {
        Pane p;
        PaneVerdict v = p.policy.contentRequested(100);
        for (int i = 0; i < 3; ++i)
            v = p.wake(v, false);
        QVERIFY(v.replacePage);
        QVERIFY(p.policy.hidden().replacePage);
        QCOMPARE(p.policy.tick(true).ask, false);
        QVERIFY(p.policy.shown().show);

        Pane well; // a page that was fine stays as it is
        well.policy.contentRequested(100);
        well.policy.loadFinished(true);
        QVERIFY(!well.policy.hidden().replacePage);
        QVERIFY(!well.policy.shown().show);
    }

    void killedRenderer_reloadedAtOnce_pageThatKillsItAgainBacksOff()
    {
        Pane p;
        p.policy.contentRequested(100);
        PaneVerdict v = p.policy.rendererGone();
        QVERIFY(v.show);
        QCOMPARE(v.showInMs, 0);
        QVERIFY(p.policy.reloadDue().show);
        QCOMPARE(p.policy.rendererGone().showInMs, 1000);
        QCOMPARE(p.policy.rendererGone().showInMs, 2000);
        // A finished load (or new content) ends the run of deaths.
        p.policy.loadFinished(true);
        QCOMPARE(p.policy.rendererGone().showInMs, 0);

        p.policy.hidden(); // hidden: loaded when shown, not before
        QVERIFY(!p.policy.rendererGone().show);
        QVERIFY(p.policy.shown().show);
    }

    void rendererNotStartedYet_notAsked()
    {
        Pane p;
        const PaneVerdict v = p.policy.contentRequested(100);
        p.now += v.wakeInMs;
        const PaneVerdict next = p.policy.tick(false);
        QVERIFY(!next.ask && !next.replacePage);
        QVERIFY(next.wakeInMs > 0);
    }
};

QTEST_GUILESS_MAIN(TestPreviewPolicy)
#include "tst_previewpolicy.moc"
