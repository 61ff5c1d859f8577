// SPDX-License-Identifier: GPL-3.0-or-later
// The long-run soak behind `make bench`: an eight-hour session at speed,
// 100,000 keystrokes over the six workspace screens with their clocks
// ticking, and the memory and open files it leaves behind.
//   quorvel_soak [--keys N] [--hours H]
#include "app/startup.h"
#include "soak_session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    quorvel::prepareProcess();
    QApplication app(argc, argv);
    quorvel::prepareApplication();

    quorvel::soak::Plan plan;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--keys"))
            plan.keystrokes = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--hours"))
            plan.sessionSeconds = qint64(args[i + 1].toDouble() * 3600);
    }

    std::printf("soak: %lld keystrokes over six screens, %lld clock ticks per screen "
                "(%.1f hours)\n",
                static_cast<long long>(plan.keystrokes),
                static_cast<long long>(plan.sessionSeconds), double(plan.sessionSeconds) / 3600.0);
    std::printf("%10s %10s %10s %12s %6s %6s %9s %7s %8s\n", "keys", "ticks", "rss MiB",
                "pss MiB (all)", "procs", "fds", "new pages", "latest", "seconds");
    QElapsedTimer clock;
    clock.start();
    const auto samples = quorvel::soak::run(plan, [&](const quorvel::soak::Sample &s) {
        std::printf("%10lld %10lld %10.1f %12.1f %6d %6d %9d %7s %8.1f\n",
                    static_cast<long long>(s.keystrokes), static_cast<long long>(s.clockTicks),
                    s.rssKiB / 1024.0, s.pssKiB / 1024.0, s.processes, s.openFiles, s.pagesReplaced,
                    s.showsLatest ? "shown" : "MISSED", clock.elapsed() / 1000.0);
        std::fflush(stdout);
    });
    if (samples.size() < 3) {
        std::fputs("bench: soak took too few samples\n", stderr);
        return 1;
    }
    // The first sample has every screen loaded; the second follows a first
    // round of typing on each. From there the figures should stay flat.
    const auto &base = samples.at(1);
    const auto &last = samples.last();
    std::printf(
        "soak: growth after warm-up: rss %+.1f MiB, pss %+.1f MiB, fds %+d, processes %+d\n",
        (last.rssKiB - base.rssKiB) / 1024.0, (last.pssKiB - base.pssKiB) / 1024.0,
        last.openFiles - base.openFiles, last.processes - base.processes);
    const auto caughtUp = std::count_if(samples.cbegin(), samples.cend(),
                                        [](const auto &s) { return s.showsLatest; });
    std::printf("soak: the pane on view showed its latest text at %lld of %lld samples\n",
                static_cast<long long>(caughtUp), static_cast<long long>(samples.size()));
    return caughtUp == samples.size() ? 0 : 1;
}
