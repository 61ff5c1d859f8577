// SPDX-License-Identifier: GPL-3.0-or-later
// The long-run soak behind `make bench`: a long session at speed, keystrokes,
// Show Me, Answer and Clear over the six workspace screens in turn, their
// clocks ticking eight hours per 100,000 keys, and what the session leaves
// behind: memory (the process's own and every engine process's), engine
// processes and open files, sampled after each round of the six screens.

#include "proctree.h"
#include "programprocess.h"
#include "testutil.h"

#include "workspace/editortext.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRandomGenerator>
#include <cstdio>
#include <unistd.h>

using namespace quorvel;
using testing::CourseRun;
using testing::kWorkspaceScreens;

namespace {

constexpr int kRounds = 10;
constexpr double kTicksPerKey = 8 * 3600 / 100'000.0;

struct Sample {
    double rssMiB = 0;   // this process
    double pssMiB = 0;   // this process and every engine process it started
    int processes = 0;   // those processes
    int files = 0;       // open in this process
    bool latest = false; // the pane on view caught up with its text
};

// What a learner does at a key: mostly typing tags and words, line breaks, a
// mistake taken back; now and then a button. A page stays within a few
// screens of text.
void learnerKey(WorkspaceScreen *s, QRandomGenerator &random)
{
    static const QString sample =
        QStringLiteral("<B>Bold</B> and <I>italic</I> text<BR><P>A new paragraph</P><HR>"
                       "<A HREF=\"http://example.com\">a link</A> <U>underlined</U> ");
    const quint32 key = random.bounded(100u);
    if (key < 4)
        QTest::keyClick(s->editor(), Qt::Key_Backspace);
    else if (key < 7)
        QTest::keyClick(s->editor(), Qt::Key_Return);
    else
        QTest::keyClick(s->editor(), sample.at(random.bounded(sample.size())).toLatin1());
    const quint32 button = random.bounded(1000u);
    const auto &snippets = s->design().snippets;
    if (button < 3)
        s->findChild<QPushButton *>(QStringLiteral("cmdClear"))->click();
    else if (button < 6 && !snippets.empty())
        s->findChild<QPushButton *>(snippets.at(random.bounded(quint32(snippets.size()))).button)
            ->click();
    else if (button < 6)
        s->findChild<QPushButton *>(QStringLiteral("Command1"))->click(); // Answer
    if (s->editor()->document()->characterCount() > 4000)
        editor::setText(s->editor(), u"");
}

// Prints one row. A word typed last on the screen on view has to reach its
// page, however much went before; after a ">" it stays in the markup
// whatever the text around it left open.
Sample measure(CourseRun &course, ScreenId shown, qint64 keys)
{
    auto *screen = course.registry.screenAs<WorkspaceScreen>(shown);
    const QString marker = QStringLiteral("zq%1").arg(keys);
    QTest::keyClicks(screen->editor(), QLatin1Char('>') + marker);
    const QString ask = QStringLiteral("document.documentElement.outerHTML.includes('%1')");
    Sample s;
    s.latest = testing::waitUntil(
        [&] {
            return testing::evaluate(screen->pane(), ask.arg(marker), 1000)
                .value_or(false)
                .toBool();
        },
        30000);
    s.rssMiB = double(bench::procfs::memoryKiB(getpid(), "Rss:")) / 1024;
    for (qint64 kib : bench::procfs::pssKiB(getpid())) {
        s.pssMiB += double(kib) / 1024;
        ++s.processes;
    }
    s.files = int(QDir(QStringLiteral("/proc/self/fd"))
                      .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                      .size());
    int fresh = 0;
    for (ScreenId id : kWorkspaceScreens)
        fresh += course.registry.screenAs<WorkspaceScreen>(id)->pane()->pagesReplaced();
    std::printf("%10lld %10lld %10.1f %12.1f %6d %6d %9d %7s\n", keys,
                qint64(double(keys) * kTicksPerKey), s.rssMiB, s.pssMiB, s.processes, s.files,
                fresh, s.latest ? "shown" : "MISSED");
    std::fflush(stdout);
    return s;
}

// Every screen loaded once in the course's order, then the screens take
// turns, kRounds times, a sample after each round.
std::vector<Sample> session(CourseRun &course, qint64 keys)
{
    course.registry.show(kWorkspaceScreens.front());
    for (size_t i = 1; i < kWorkspaceScreens.size(); ++i)
        course.registry.move(kWorkspaceScreens[i - 1], kWorkspaceScreens[i]);
    course.registry.move(kWorkspaceScreens.back(), kWorkspaceScreens.front());
    std::vector<Sample> samples{measure(course, kWorkspaceScreens.front(), 0)};
    QRandomGenerator random(20261206);
    const qint64 perTurn = std::max<qint64>(1, keys / (kRounds * qint64(kWorkspaceScreens.size())));
    size_t current = 0;
    for (qint64 k = 1; k <= keys; ++k) {
        learnerKey(course.registry.screenAs<WorkspaceScreen>(kWorkspaceScreens[current]), random);
        for (auto t = qint64(double(k - 1) * kTicksPerKey); t < qint64(double(k) * kTicksPerKey);
             ++t)
            for (ScreenId id : kWorkspaceScreens)
                QMetaObject::invokeMethod(
                    course.registry.screenAs<WorkspaceScreen>(id)->clockTimer(), "timeout");
        QCoreApplication::processEvents();
        if (k % perTurn != 0)
            continue;
        const size_t next = (current + 1) % kWorkspaceScreens.size();
        if (next == 0)
            samples.push_back(measure(course, kWorkspaceScreens[current], k));
        course.registry.move(kWorkspaceScreens[current], kWorkspaceScreens[next]);
        current = next;
    }
    return samples;
}

} // namespace

int main(int argc, char *argv[])
{
    testing::ProgramProcess process(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A long session at speed on the real screens, "
                                                    "and what it leaves behind."));
    parser.addHelpOption();
    const QCommandLineOption keysOption(QStringLiteral("keys"), QStringLiteral("Keystrokes."),
                                        QStringLiteral("N"), QStringLiteral("100000"));
    parser.addOption(keysOption);
    parser.process(process.app());
    const qint64 keys = parser.value(keysOption).toLongLong();

    std::printf(
        "soak: %lld keystrokes over six screens, %lld clock ticks per screen (%.1f hours)\n", keys,
        qint64(double(keys) * kTicksPerKey), double(keys) * kTicksPerKey / 3600);
    std::printf("%10s %10s %10s %12s %6s %6s %9s %7s\n", "keys", "ticks", "rss MiB",
                "pss MiB (all)", "procs", "fds", "new pages", "latest");
    CourseRun course;
    const std::vector<Sample> samples = session(course, keys);
    // The first sample has every screen loaded, the second follows a round
    // of typing on each: from there the figures should stay flat.
    const Sample &base = samples.at(std::min<size_t>(1, samples.size() - 1));
    const Sample &last = samples.back();
    std::printf(
        "soak: growth after warm-up: rss %+.1f MiB, pss %+.1f MiB, fds %+d, processes %+d\n",
        last.rssMiB - base.rssMiB, last.pssMiB - base.pssMiB, last.files - base.files,
        last.processes - base.processes);
    const auto shown =
        std::count_if(samples.begin(), samples.end(), [](const Sample &s) { return s.latest; });
    std::printf("soak: the pane on view showed its latest text at %lld of %zu samples\n",
                qint64(shown), samples.size());
    for (const QString &message : course.fatalMessages)
        std::fprintf(stderr, "bench: soak: the program failed: %s\n", qPrintable(message));
    return size_t(shown) == samples.size() && course.fatalMessages.isEmpty() ? 0 : 1;
}
