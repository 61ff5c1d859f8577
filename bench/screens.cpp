// SPDX-License-Identifier: GPL-3.0-or-later
// The six workspace screens walked through as the learner does: the memory
// they hold, and the processor time they take while the learner reads.

#include "measure.h"
#include "proctree.h"

#include "preview/previewpane.h"

#include <QWindow>
#include <unistd.h>

namespace bench {

namespace {

// The last screen stays on view; the others stay loaded and hidden, their
// clocks running.
void walk(quorvel::testing::CourseRun &course)
{
    using quorvel::testing::kWorkspaceScreens;
    for (size_t i = 0; i < kWorkspaceScreens.size(); ++i) {
        auto *screen = course.registry.screenAs<quorvel::WorkspaceScreen>(kWorkspaceScreens[i]);
        bool loaded = false;
        const auto c = QObject::connect(screen->pane(), &QWebEngineView::loadFinished,
                                        [&loaded] { loaded = true; });
        if (i == 0)
            course.registry.show(kWorkspaceScreens[i]);
        else
            course.registry.move(kWorkspaceScreens[i - 1], kWorkspaceScreens[i]);
        waitUntil([&] { return loaded && screen->windowHandle()->isExposed(); }, 10000);
        QObject::disconnect(c);
        settle(300);
    }
}

} // namespace

int runScreens(bool)
{
    quorvel::testing::CourseRun course;
    walk(course);
    settle(3000);

    qint64 total = 0;
    QStringList each;
    for (qint64 kib : procfs::pssKiB(getpid())) {
        total += kib;
        each << QString::number(double(kib) / 1024, 'f', 1);
    }
    printLine(QStringLiteral("sample pss six screens|%1|MiB|").arg(double(total) / 1024));
    printLine(QStringLiteral("# processes %1 (%2 MiB)")
                  .arg(each.size())
                  .arg(each.join(QLatin1String(" + "))));

    // The threads' exact run time over the window; a thread that starts or
    // ends within it is left out.
    const auto before = procfs::threadRunNs(procfs::tree(getpid()));
    const double start = nowMs();
    settle(10000);
    const auto after = procfs::threadRunNs(procfs::tree(getpid()));
    const double windowMs = nowMs() - start;
    double ranMs = 0;
    for (const auto &[tid, ns] : after)
        if (const auto it = before.find(tid); it != before.end())
            ranMs += double(ns - it->second) / 1e6;
    printLine(QStringLiteral("sample idle cpu|%1|%|, of one core over %2 s")
                  .arg(100 * ranMs / windowMs)
                  .arg(windowMs / 1000, 0, 'f', 0));
    return 0;
}

} // namespace bench
