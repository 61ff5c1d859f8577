// A long session in brief (`make bench` runs the eight-hour one): the six
// workspace screens take turns under a stream of keystrokes and button
// presses while their clocks tick through a whole session's seconds. After
// the first round the program's open files and processes stay level, its
// memory grows by no more than noise, and the pane on view always catches up
// with the latest text.
#include "soak_session.h"
#include "testmain.h"

class TestRobustSoak final : public QObject {
    Q_OBJECT

private slots:
    void shortSession_filesProcessesAndMemoryStayLevel()
    {
        quorvel::soak::Plan plan;
        plan.keystrokes = 20000;
        plan.sessionSeconds = 8 * 3600;
        plan.rounds = 5;
        const auto samples = quorvel::soak::run(plan, [](const quorvel::soak::Sample &s) {
            qInfo("%lld keys, %lld ticks: rss %.1f MiB, pss %.1f MiB in %d processes, %d files",
                  static_cast<long long>(s.keystrokes), static_cast<long long>(s.clockTicks),
                  s.rssKiB / 1024.0, s.pssKiB / 1024.0, s.processes, s.openFiles);
        });
        QCOMPARE(samples.size(), plan.rounds + 1);
        // The last round ends a few keystrokes short of the plan.
        QVERIFY(samples.last().clockTicks >= plan.sessionSeconds * 99 / 100);

        const auto &base = samples.at(1);
        for (const auto &s : samples)
            QVERIFY2(s.showsLatest, qPrintable(QStringLiteral("after %1 keys").arg(s.keystrokes)));
        for (const auto &s : samples.mid(2)) {
            // A handle or a renderer lost per keystroke would show in hundreds.
            QVERIFY2(s.openFiles <= base.openFiles + 8, qPrintable(QString::number(s.openFiles)));
            QVERIFY2(s.processes <= base.processes + 4, qPrintable(QString::number(s.processes)));
        }
        // The editors' undo histories grow with every keystroke; anything
        // kept per page written or shown would be far more.
        QVERIFY2(samples.last().rssKiB - base.rssKiB < 20 * 1024,
                 qPrintable(QString::number(samples.last().rssKiB - base.rssKiB)));
        QVERIFY2(samples.last().pssKiB - base.pssKiB < 150 * 1024,
                 qPrintable(QString::number(samples.last().pssKiB - base.pssKiB)));
    }
};

QUORVEL_TEST_MAIN(TestRobustSoak)
#include "tst_robust_soak.moc"
