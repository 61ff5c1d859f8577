// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark behind `make bench`. Without arguments it is the conductor:
// it starts one process per measurement (so no measurement pays for another's
// windows and engine processes), starts the program itself to time its launch
// from outside, and prints one line per figure:
//   <figure>: median <x> <unit>, p95 <y> <unit>, n <runs>
//
//   quorvel_bench --program PATH [--quick] [--only keys|launch|screens|growth]
//   quorvel_bench child keys|screens|growth|startup [--quick]

#include "launch.h"
#include "measure.h"
#include "modes.h"

#include "app/startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

namespace {

int runChild(int argc, char *argv[], const QString &mode, bool quick)
{
    // Each child keeps the scratch page and the engine's data in a home of
    // its own, as the tests do.
    const double entered = bench::nowMs();
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    quorvel::prepareProcess();
    QApplication app(argc, argv);
    quorvel::prepareApplication();
    if (mode == QLatin1String("startup")) {
        bench::printLine(QStringLiteral("stamp entered %1").arg(entered, 0, 'f', 2));
        bench::printLine(QStringLiteral("stamp application %1").arg(bench::nowMs(), 0, 'f', 2));
    }
    if (mode == QLatin1String("keys"))
        return bench::runKeys(quick);
    if (mode == QLatin1String("screens"))
        return bench::runScreens();
    if (mode == QLatin1String("growth"))
        return bench::runGrowth(quick);
    if (mode == QLatin1String("startup"))
        return bench::runStartup(app);
    std::fprintf(stderr, "bench: unknown mode %s\n", qPrintable(mode));
    return 2;
}

// Runs one child and hands back its lines; figure lines are printed as they
// come, the others are the parent's to summarise.
QStringList child(const QString &mode, bool quick, double *startedAt = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{QStringLiteral("child"), mode};
    if (quick)
        args << QStringLiteral("--quick");
    if (startedAt)
        *startedAt = bench::nowMs();
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForStarted(10000)) {
        std::fprintf(stderr, "bench: cannot start the %s child\n", qPrintable(mode));
        return {};
    }
    QStringList lines;
    QByteArray pending;
    while (p.state() != QProcess::NotRunning || p.bytesAvailable() > 0) {
        p.waitForReadyRead(1000);
        pending += p.readAllStandardOutput();
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(nl));
            pending.remove(0, nl + 1);
            if (!line.startsWith(QLatin1String("sample ")) &&
                !line.startsWith(QLatin1String("stamp ")))
                bench::printLine(line);
            lines << line;
        }
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        std::fprintf(stderr, "bench: the %s child ended with %d\n", qPrintable(mode), p.exitCode());
    return lines;
}

std::vector<double> values(const QStringList &lines, const QString &prefix)
{
    std::vector<double> v;
    for (const QString &line : lines)
        if (line.startsWith(prefix))
            v.push_back(line.mid(prefix.size()).section(QLatin1Char(' '), 0, 0).toDouble());
    return v;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const bool quick = args.contains(QStringLiteral("--quick"));
    if (args.value(0) == QLatin1String("child"))
        return runChild(argc, argv, args.value(1), quick);

    QCoreApplication app(argc, argv);
    const QString program = args.value(args.indexOf(QStringLiteral("--program")) + 1);
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"));
    std::printf("# platform %s, QT_QUICK_BACKEND=%s\n", qPrintable(platform),
                qPrintable(qEnvironmentVariable("QT_QUICK_BACKEND", QStringLiteral("(unset)"))));
    std::fflush(stdout);
    const qsizetype onlyAt = args.indexOf(QStringLiteral("--only"));
    const QString only = onlyAt >= 0 ? args.value(onlyAt + 1) : QString();
    auto wanted = [&only](const char *part) {
        return only.isEmpty() || only == QLatin1String(part);
    };

    if (wanted("keys"))
        child(QStringLiteral("keys"), quick);

    // Launch: the program itself, watched from outside through the X server,
    // where there is one; the same start-up inside a child otherwise.
    const int launches = quick ? 3 : 10;
    bool outside = false;
    if (!wanted("launch") && only != QLatin1String("launch-inside")) {
    } else if (platform == QLatin1String("xcb") && !program.isEmpty() && wanted("launch") &&
               (outside = bench::launchFromOutside(program, launches))) {
        // From outside, an empty preview and one not loaded yet look alike
        // (both white); the same start-up timed from inside tells them apart.
        std::vector<double> lesson;
        for (int i = 0; i < launches; ++i) {
            double started = 0;
            const QStringList lines = child(QStringLiteral("startup"), quick, &started);
            for (double t : values(lines, QStringLiteral("stamp lesson ")))
                lesson.push_back(t - started);
        }
        std::printf("# inside: %s\n", qPrintable(bench::figureLine(
                                          QStringLiteral("launch to lesson 1"),
                                          bench::summarise(lesson), QStringLiteral("ms"),
                                          QStringLiteral(", Form1 exposed and its page loaded"))));
        std::fflush(stdout);
    } else {
        if (platform == QLatin1String("xcb") && !outside)
            std::printf("# the program's windows cannot be watched from outside here "
                        "(no libxcb at build time); the launch is timed from inside\n");
        std::vector<double> splash, lesson;
        child(QStringLiteral("startup"), quick); // a first start fills the disk cache
        for (int i = 0; i < launches; ++i) {
            double started = 0;
            const QStringList lines = child(QStringLiteral("startup"), quick, &started);
            for (double t : values(lines, QStringLiteral("stamp splash ")))
                splash.push_back(t - started);
            for (double t : values(lines, QStringLiteral("stamp lesson ")))
                lesson.push_back(t - started);
            QStringList steps;
            for (const QString &line : lines)
                if (line.startsWith(QLatin1String("stamp ")))
                    steps << QStringLiteral("%1 %2")
                                 .arg(line.section(QLatin1Char(' '), 1, 1))
                                 .arg(line.section(QLatin1Char(' '), 2, 2).toDouble() - started, 0,
                                      'f', 0);
            std::printf("# start-up steps (ms): %s\n", qPrintable(steps.join(QLatin1String(", "))));
        }
        bench::printLine(bench::figureLine(QStringLiteral("launch to splash"),
                                           bench::summarise(splash), QStringLiteral("ms"),
                                           QStringLiteral(", inside: splash exposed")));
        bench::printLine(bench::figureLine(
            QStringLiteral("launch to lesson 1"), bench::summarise(lesson), QStringLiteral("ms"),
            QStringLiteral(", inside: Form1 exposed and its page loaded")));
    }

    std::vector<double> pss, idle;
    for (int i = 0; i < (wanted("screens") ? (quick ? 1 : 3) : 0); ++i) {
        const QStringList lines = child(QStringLiteral("screens"), quick);
        for (double v : values(lines, QStringLiteral("sample pss ")))
            pss.push_back(v);
        for (double v : values(lines, QStringLiteral("sample idle ")))
            idle.push_back(v);
        for (const QString &line : lines)
            if (line.startsWith(QLatin1String("sample processes ")))
                std::printf("# %s\n", qPrintable(line.mid(7)));
    }
    if (wanted("screens")) {
        bench::printLine(bench::figureLine(QStringLiteral("pss six screens"), bench::summarise(pss),
                                           QStringLiteral("MiB")));
        bench::printLine(bench::figureLine(QStringLiteral("idle cpu"), bench::summarise(idle),
                                           QStringLiteral("%"),
                                           QStringLiteral(", of one core over 10 s")));
    }

    if (wanted("growth"))
        child(QStringLiteral("growth"), quick);
    return 0;
}
