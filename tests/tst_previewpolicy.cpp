// SPDX-License-Identifier: GPL-3.0-or-later
// The preview pane's rules, driven in milliseconds without an engine: each row
// is a fault the pane would meet without its rule, written as the
// events the pane reports and what each verdict must say.
//
// Events: req:BYTES (content requested), load (a load finished), tick (the
// time the last verdict asked for goes by; a question is left unanswered),
// ans (the same, the question answered from a complete page), part (the same,
// answered while the page still loads), cold (the same, no renderer yet),
// half (half that time goes by), wait (all of it), gone (renderer died), due
// (its reload is due), hide, show.
// After "=": R/S/A/W the verdict replaces the page / shows / asks / wakes the
// policy again, r/s/a/w it does not; + it waits longer than the verdict that
// last asked (or, after gone, the last reload), @0 it shows at once.
#include "preview/previewpolicy.h"

#include <QRegularExpression>
#include <QTest>

using quorvel::PaneVerdict;
using quorvel::PreviewPolicy;

class TestPreviewPolicy final : public QObject {
    Q_OBJECT

private slots:
    void rules_data()
    {
        // clang-format off
        QTest::addColumn<QString>("script");
        QTest::newRow("endless script: replaced after two silent questions, then given longer") << "req:100=Sr tick=A tick=Ar tick=RS tick=A tick=A+ tick=R";
        QTest::newRow( "answering renderer: never replaced, the asking stops, hiding it leaves it be") << "req:100 load ans=Ar ans=ar ans=Ar ans=ar ans=Ar ans=arw hide=r show=s";
        QTest::newRow("last load never reported: a complete page ends the asking as well") << "req:100 ans=Ar ans=ar ans=Ar ans=ar ans=Ar ans=arw";
        QTest::newRow("page still loading: watched until it is complete") << "req:100 part=A part part=A part part=A part=W part=A ans ans=A ans ans=A ans=w";
        QTest::newRow("load finished meanwhile: the unanswered question is forgiven, yet a loop " "that starts after the load is found out") << "req:100 tick=A load tick=r tick=A tick=Ar tick=RS";
        QTest::newRow("big paste: given longer than a small page") << "req:100 tick=A req:10485760=r tick=A+";
        QTest::newRow("script taken out: new content goes to a fresh page at once") << "req:100 tick=A half req:100=r tick=A wait req:90=RS";
        QTest::newRow("stuck in a hidden screen: dropped on hide, not asked, loaded on show") << "req:100 tick tick tick=R hide=R tick=a show=S";
        QTest::newRow("loaded while hidden (the load step): not asked until shown") << "hide req:100=Sw tick=a show=W tick=A";
        QTest::newRow( "killed renderer: reloaded at once, one that kills it again backs off, hidden: on show") << "req:100 gone=S@0 due=S gone=S+ gone=+ load gone=@0 hide gone=s show=S";
        QTest::newRow("renderer not started yet: not asked, looked at again") << "req:100 cold=arW";
        // clang-format on
    }

    void rules()
    {
        QFETCH(QString, script);
        qint64 now = 0;
        PreviewPolicy policy([&now] { return now; });
        policy.shown();
        PaneVerdict v;
        int lastWait = -1;
        static const QRegularExpression check(QStringLiteral("([RrSsAaWw+])|@0"));
        for (const QString &step : script.split(u' ')) {
            const QString event = step.section(u'=', 0, 0);
            if (event.startsWith(u"req:"))
                v = policy.contentRequested(event.mid(4).toLongLong());
            else if (event == u"load")
                policy.loadFinished(true);
            else if (event == u"half" || event == u"wait")
                now += event == u"half" ? v.wakeInMs / 2 : v.wakeInMs;
            else if (event == u"gone")
                v = policy.rendererGone();
            else if (event == u"due")
                v = policy.reloadDue();
            else if (event == u"hide")
                v = policy.hidden();
            else if (event == u"show")
                v = policy.shown();
            else if (event == u"ans" || event == u"part" || event == u"tick" || event == u"cold") {
                if (v.ask && (event == u"ans" || event == u"part"))
                    policy.answered(policy.question(), event == u"ans");
                now += std::max(v.wakeInMs, 0);
                v = policy.tick(event != u"cold");
            } else
                QFAIL(qPrintable(QStringLiteral("unknown event ") + event));
            const int wait = event == u"gone" ? v.showInMs : v.wakeInMs;
            const QString flags = QString(v.replacePage ? u'R' : u'r') + (v.show ? u'S' : u's') +
                                  (v.ask ? u'A' : u'a') + (v.wakeInMs >= 0 ? u'W' : u'w');
            const QString got = QStringLiteral("%1 gave %2, wake in %3 ms, show in %4 ms")
                                    .arg(step, flags)
                                    .arg(v.wakeInMs)
                                    .arg(v.showInMs);
            for (const QRegularExpressionMatch &m : check.globalMatch(step.section(u'=', 1))) {
                const bool holds = m.captured(1) == u"+" ? wait > lastWait
                                   : m.hasCaptured(1)    ? flags.contains(m.captured(1))
                                                         : v.showInMs == 0;
                QVERIFY2(holds, qPrintable(got));
            }
            if (v.ask || event == u"gone")
                lastWait = wait;
        }
    }
};

QTEST_GUILESS_MAIN(TestPreviewPolicy)
#include "tst_previewpolicy.moc"
