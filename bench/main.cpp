// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark behind `make bench`: the conductor, which runs each part in a
// child process of its own (the same program, `--child NAME`) and starts the
// program itself for the launch. `--help` says what each figure is.

#include "measure.h"
#include "programprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <cstring>

namespace {

struct Part {
    const char *name;
    int (*run)(bool quick); // in a child; none for the launch, run from here
    int children;           // fresh processes, their samples summarised together
    const char *about;
};

const Part kParts[] = {
    {"keys", bench::runKeys, 1,
     "key-to-preview at 100 B, 10 KB, 100 KB, 1 MB: one key typed at the end of Lesson 1's\n"
     "text, until the preview's document holds it: in place (the page has nothing that\n"
     "runs), and with a new document (the same page after an empty <script>). floor: the\n"
     "engine's, a bare view loading the very file the screen has just written (it takes\n"
     "turns with the pane); the ratios are of the medians. handler: the user-interface\n"
     "thread's time for a key in place, the editor's and the whole change handler's."},
    {"burst", bench::runBurst, 1,
     "burst settle: 12 bursts of 50 keys 10 ms apart into 10 KB, from the last key to\n"
     "the preview showing the final text."},
    {"launch", nullptr, 1,
     "launch to splash, launch to lesson 1: the program started from outside and watched\n"
     "through the X server, to the splash's window mapped and to Lesson 1's mapped with\n"
     "its preview painted. From outside, because that is what the learner sees: timed\n"
     "inside, the process's own start and the pixels reaching the screen are missed."},
    {"screens", bench::runScreens, 3,
     "pss six screens: the six workspace screens walked through as the learner does, the\n"
     "last on view; PSS summed over the process and every engine process it started.\n"
     "idle cpu: then 10 s of those processes at rest, by the kernel's exact run time of\n"
     "each thread alive at both ends (schedstat), as a share of one core."},
    {"markup", bench::runMarkupCheck, 1,
     "markup check 10 KB, 100 KB: the markup checker (firstMistake) on lesson markup\n"
     "without a mistake, so read to its end; repeated calls."},
    {"recolour", bench::runRecolour, 1,
     "recolour 100 KB: the editor's highlighter for one key typed at the end of 100 KB\n"
     "of short lines: rehighlightBlock() of the key's line, Qt's layout of it included."},
};

// Runs a part's children, prints their lines as they come, and summarises
// the "sample FIGURE|VALUE|UNIT|TAIL" lines across them.
int runChildren(const Part &part, bool quick)
{
    std::vector<std::pair<QStringList, std::vector<double>>> samples;
    int status = 0;
    for (int i = 0; i < (quick ? 1 : part.children); ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{QStringLiteral("--child"), QLatin1String(part.name)};
        if (quick)
            args << QStringLiteral("--quick");
        child.start(QCoreApplication::applicationFilePath(), args);
        while (child.state() != QProcess::NotRunning || child.canReadLine()) {
            if (!child.canReadLine() && !child.waitForReadyRead(1000))
                continue;
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            QStringList fields = line.mid(7).split(QLatin1Char('|'));
            if (!line.startsWith(QLatin1String("sample ")) || fields.size() != 4) {
                bench::printLine(line);
                continue;
            }
            const double value = fields.takeAt(1).toDouble();
            auto it = std::find_if(samples.begin(), samples.end(),
                                   [&](const auto &s) { return s.first == fields; });
            (it == samples.end() ? samples.emplace_back(fields, std::vector<double>{}) : *it)
                .second.push_back(value);
        }
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            status = bench::fail(QStringLiteral("the %1 child failed").arg(part.name));
    }
    for (const auto &[head, values] : samples)
        bench::printFigure(head[0], values, head[1], head[2]);
    return status;
}

int runChild(int argc, char *argv[])
{
    const QByteArray name = argv[2];
    const bool quick = argc > 3 && std::strcmp(argv[3], "--quick") == 0;
    quorvel::testing::ProgramProcess process(argc, argv);
    for (const Part &part : kParts)
        if (name == part.name && part.run)
            return part.run(quick);
    return bench::fail(QStringLiteral("no part %1").arg(QString::fromUtf8(name)));
}

} // namespace

int main(int argc, char *argv[])
{
    // A child holds the program's screens, so it is set up as the program is.
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    QString about = QStringLiteral(
        "Measures what the learner waits for, on the program's real screens, each part in\n"
        "a process of its own so that none pays for another's windows and engine\n"
        "processes. Meant for the X platform with software rendering (scripts/bench.sh\n"
        "runs it under Xvfb with QT_QUICK_BACKEND=software). Every figure is a line\n"
        "  <figure>: median <x> <unit>, p95 <y> <unit>, n <runs>\n"
        "and lines starting with # are details.\n");
    for (const Part &part : kParts)
        about += QStringLiteral("\n--only %1\n  %2\n")
                     .arg(QLatin1String(part.name),
                          QString::fromUtf8(part.about).replace(u'\n', QLatin1String("\n  ")));
    QCommandLineParser parser;
    parser.setApplicationDescription(about);
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"),
                                   QStringLiteral("Fewer runs, for trying the benchmark."));
    const QCommandLineOption only(QStringLiteral("only"), QStringLiteral("Run only part NAME."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption program(
        QStringLiteral("program"),
        QStringLiteral("The program to launch (default: the build tree's src/quorvel)."),
        QStringLiteral("PATH"),
        QDir::cleanPath(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/../src/quorvel")));
    parser.addOptions({quick, only, program});
    parser.process(app);

    bench::printLine(QStringLiteral("# platform %1, QT_QUICK_BACKEND=%2")
                         .arg(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("(unset)")),
                              qEnvironmentVariable("QT_QUICK_BACKEND", QStringLiteral("(unset)"))));
    int status = 0;
    bool ran = false;
    for (const Part &part : kParts) {
        if (parser.isSet(only) && parser.value(only) != QLatin1String(part.name))
            continue;
        ran = true;
        const int s = part.run ? runChildren(part, parser.isSet(quick))
                               : bench::runLaunch(parser.value(program), parser.isSet(quick));
        status = status ? status : s;
    }
    return ran ? status : bench::fail(QStringLiteral("no part %1").arg(parser.value(only)));
}
