// SPDX-License-Identifier: GPL-3.0-or-later
// Keys typed into Lesson 1: each key's way to the preview beside the engine's
// floor, the change handler's time, and bursts of keys.

#include "measure.h"

#include "preview/previewpane.h"
#include "workspace/editortext.h"

#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>

namespace bench {

namespace {

// A page with an empty script: nothing on it does anything, but every key
// takes a new document, as on a page whose scripts run.
const QString kNewDocumentPage = QStringLiteral("<script></script>\r\n");

// Types into one screen and keeps the tail its page must end with. Twelve
// characters of this alphabet name one key among the last 62, so a late page
// of an earlier key never counts.
class Typist {
public:
    explicit Typist(quorvel::WorkspaceScreen *screen)
        : m_screen(screen)
        , m_watch(screen->pane())
    {
    }

    // A new document, the first the watch sees: the one on view came before it.
    bool start() { return load(kNewDocumentPage + QStringLiteral("the first page")); }

    // Replaces the editor's text (one refresh) and waits for the pane.
    bool load(const QString &text)
    {
        m_typed = text.right(12);
        quorvel::editor::setText(m_screen->editor(), text);
        m_screen->editor()->moveCursor(QTextCursor::End);
        return waitShown(60000) > 0;
    }

    // One key at the end of the text; returns when it was sent.
    double key()
    {
        static const QString alphabet =
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
        const char c = alphabet.at(m_count++ % alphabet.size()).toLatin1();
        m_typed = (m_typed + QLatin1Char(c)).right(12);
        const double sent = nowMs();
        QTest::keyClick(m_screen->editor(), c);
        return sent;
    }

    // Waits until the pane shows every key so far; when it did, or -1.
    double waitShown(int timeoutMs = 30000)
    {
        m_watch.expect(m_typed);
        return m_watch.wait(timeoutMs);
    }
    QString tail() const { return m_typed; }
    quorvel::WorkspaceScreen *screen() const { return m_screen; }

private:
    quorvel::WorkspaceScreen *m_screen;
    DomWatch m_watch;
    QString m_typed;
    int m_count = 0;
};

// The engine's floor: a bare view on the engine's default profile.
struct Floor {
    QWebEngineView view;
    DomWatch watch{&view};
    // From the load of the page to its holding tail, or -1.
    double load(const QString &path, const QString &tail)
    {
        watch.expect(tail);
        const double start = nowMs();
        view.load(QUrl::fromLocalFile(path));
        const double seen = watch.wait(30000);
        return seen < 0 ? -1 : seen - start;
    }
};

// Keys at one size, the pane and the floor taking turns on the very file the
// screen has just written; each waits until the other's document is laid
// out and painted (long, at a megabyte), so that neither measures the
// other's leftovers. Returns the key-to-preview times, and adds the floor's.
std::vector<double> keysAt(const QString &page, int runs, Typist &typist, Floor &floor,
                           std::vector<double> &floorTimes, std::vector<double> *handler = nullptr)
{
    const QString file = typist.screen()->pagePath();
    if (!typist.load(page))
        return {};
    for (int i = 0; i < 3; ++i) { // warms both paths at this size
        typist.key();
        typist.waitShown();
        floor.load(file, typist.tail());
    }
    settle(200);
    std::vector<double> toPage;
    for (int run = 0; run < runs; ++run) {
        const double sent = typist.key();
        if (handler)
            handler->push_back(nowMs() - sent); // the key's handlers run inside keyClick
        const double seen = typist.waitShown();
        const double floorTime =
            seen < 0 ? -1
                     : (settle(std::max(20, int(seen - sent))), floor.load(file, typist.tail()));
        if (floorTime < 0)
            return {};
        toPage.push_back(seen - sent);
        floorTimes.push_back(floorTime);
        settle(std::max(20, int(floorTime)));
    }
    return toPage;
}

} // namespace

int runKeys(bool quick)
{
    quorvel::testing::CourseRun course;
    quorvel::WorkspaceScreen *screen = showLesson1(course);
    Floor floor;
    floor.view.resize(screen->pane()->size());
    floor.view.show();
    screen->activateWindow();
    Typist typist(screen);
    if (!typist.start())
        return fail(QStringLiteral("the first page never showed"));
    const struct {
        const char *label;
        int bytes, runs;
    } sizes[] = {{"100 B", 100, quick ? 8 : 40},
                 {"10 KB", 10 * 1024, quick ? 8 : 40},
                 {"100 KB", 100 * 1024, quick ? 6 : 25},
                 {"1 MB", 1024 * 1024, quick ? 4 : 12}};
    for (const auto &size : sizes) {
        const QString label = QLatin1String(size.label);
        std::vector<double> floorTimes, handler;
        const QString markup = lessonMarkup(size.bytes);
        const std::vector<double> inPlace =
            keysAt(markup, size.runs, typist, floor, floorTimes, &handler);
        const std::vector<double> newDocument =
            keysAt(kNewDocumentPage + lessonMarkup(size.bytes - kNewDocumentPage.size()), size.runs,
                   typist, floor, floorTimes);
        if (inPlace.empty() || newDocument.empty())
            return fail(QStringLiteral("a key at %1 never reached the page").arg(label));
        const double floorMedian = median(floorTimes);
        const auto ratio = [&](const std::vector<double> &times) {
            return QStringLiteral(", ratio to the floor %1")
                .arg(median(times) / floorMedian, 0, 'f', 2);
        };
        printFigure(QStringLiteral("key-to-preview in place ") + label, inPlace,
                    QStringLiteral("ms"), ratio(inPlace));
        printFigure(QStringLiteral("key-to-preview new document ") + label, newDocument,
                    QStringLiteral("ms"), ratio(newDocument));
        printFigure(QStringLiteral("floor ") + label, floorTimes, QStringLiteral("ms"));
        printFigure(QStringLiteral("handler ") + label, handler, QStringLiteral("ms"));
    }
    if (const int fresh = screen->pane()->pagesReplaced())
        printLine(QStringLiteral("# the pane took %1 fresh pages (renderers taken for stuck)")
                      .arg(fresh));
    return 0;
}

int runBurst(bool quick)
{
    quorvel::testing::CourseRun course;
    Typist typist(showLesson1(course));
    if (!typist.start() || !typist.load(lessonMarkup(10 * 1024)))
        return fail(QStringLiteral("the 10 KB page never showed"));
    settle(300);
    std::vector<double> settleTimes;
    for (int burst = 0; burst < (quick ? 3 : 12); ++burst) {
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        int sent = 0;
        double lastKey = 0;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            lastKey = typist.key();
            if (++sent == 50)
                loop.quit();
        });
        timer.start(10);
        loop.exec();
        const double seen = typist.waitShown();
        if (seen < 0)
            return fail(QStringLiteral("a burst never settled"));
        settleTimes.push_back(seen - lastKey);
        settle(300);
    }
    printFigure(QStringLiteral("burst settle"), settleTimes, QStringLiteral("ms"),
                QStringLiteral(", 50 keys 10 ms apart at 10 KB"));
    return 0;
}

} // namespace bench
