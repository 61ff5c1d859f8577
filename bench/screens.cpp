// SPDX-License-Identifier: GPL-3.0-or-later
// The measurements that run inside a process of their own holding the
// program's real screens: keystroke to preview, the change handler, bursts,
// memory and idle CPU with six screens, growth over many keystrokes, and the
// start-up seen from inside.

#include "modes.h"

#include "measure.h"

#include "app/screenregistry.h"
#include "app/startup.h"
#include "ui/screen.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <unistd.h>
#include <utility>

namespace bench {

namespace {

using quorvel::ScreenId;
using quorvel::ScreenRegistry;
using quorvel::WorkspaceScreen;

// Characters typed by the benchmark. A tail of twelve of them names one
// keystroke among the last 62, so a late page of an earlier key never counts.
const QString kAlphabet =
    QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");

// Lesson-like HTML of exactly `bytes` characters (CR LF line breaks), ending
// in plain text so the keys typed after it join the body's last text.
QString filler(int bytes)
{
    QString s;
    for (int line = 1;; ++line) {
        const QString next = QStringLiteral("<p>Line %1: some <b>bold</b>, <i>italic</i> and "
                                            "<u>underlined</u> words.</p>\r\n")
                                 .arg(line);
        if (s.size() + next.size() + 8 > bytes)
            break;
        s += next;
    }
    s += QString(bytes - s.size(), QLatin1Char('.'));
    return s;
}

void settle(int ms)
{
    waitUntil([] { return false; }, ms);
}

void failFast(ScreenRegistry &registry)
{
    registry.setFatalReporter([](const QString &message) {
        std::fprintf(stderr, "bench: the program failed: %s\n", qPrintable(message));
        std::_Exit(3);
    });
    registry.setEndHandler([](int) {});
}

WorkspaceScreen *showScreen(ScreenRegistry &registry, ScreenId id, ScreenId from)
{
    if (from == id)
        registry.show(id);
    else
        registry.move(from, id);
    auto *screen = registry.screenAs<WorkspaceScreen>(id);
    waitUntil(
        [screen] {
            return screen->isVisible() && screen->windowHandle() &&
                   screen->windowHandle()->isExposed();
        },
        10000);
    return screen;
}

// Types into one screen and keeps the tail the page must end with.
class Typist {
public:
    explicit Typist(WorkspaceScreen *screen)
        : m_screen(screen)
        , m_watch(screen->pane())
    {
    }

    // Replaces the editor's text (one refresh) and waits for the pane.
    bool load(const QString &text)
    {
        m_typed.clear();
        m_watch.expect(text.right(12));
        quorvel::editor::setText(m_screen->editor(), text);
        m_screen->editor()->moveCursor(QTextCursor::End);
        return m_watch.wait(60000) > 0;
    }

    // One key at the end of the text: returns the time the handler took and,
    // once the pane shows the character, the time to the DOM.
    struct Key {
        double handler = -1;
        double toDom = -1;
    };
    Key key()
    {
        const QChar c = next();
        m_watch.expect(m_typed.right(12));
        Key k;
        const QWebEnginePage *page = m_screen->pane()->page();
        const double t0 = nowMs();
        QTest::keyClick(m_screen->editor(), c.toLatin1());
        k.handler = nowMs() - t0;
        const double seen = m_watch.wait(30000);
        if (m_screen->pane()->page() != page)
            ++m_swaps;
        if (seen > 0)
            k.toDom = seen - t0;
        return k;
    }

    // A key whose preview nobody waits for.
    void keyNoWait()
    {
        const QChar c = next();
        QTest::keyClick(m_screen->editor(), c.toLatin1());
    }

    // Waits until the pane shows everything typed so far.
    double waitShown(int timeoutMs)
    {
        m_watch.expect(m_typed.right(12));
        return m_watch.wait(timeoutMs);
    }
    QString tail() const { return m_typed.right(12); }
    QString lastTitle() const { return m_watch.lastTitle(); }
    // Keys after which the pane had given up on its page for a fresh one.
    int takeSwaps() { return std::exchange(m_swaps, 0); }

private:
    QChar next()
    {
        const QChar c = kAlphabet.at(m_count++ % kAlphabet.size());
        m_typed += c;
        if (m_typed.size() > 64)
            m_typed.remove(0, m_typed.size() - 32);
        return c;
    }

    WorkspaceScreen *m_screen;
    DomWatch m_watch;
    QString m_typed;
    int m_count = 0;
    int m_swaps = 0;
};

// Where the change handler's time goes at one size: reading the editor's
// text, encoding it, and writing the page (encoding included).
QString handlerParts(WorkspaceScreen *screen, const QString &label)
{
    std::vector<double> read, encode, write;
    const QString path = screen->pagePath() + QStringLiteral(".parts");
    for (int i = 0; i < 9; ++i) {
        double t = nowMs();
        const QString text = quorvel::editor::text(screen->editor());
        read.push_back(nowMs() - t);
        t = nowMs();
        const QByteArray bytes = quorvel::scratch::encode(text);
        encode.push_back(nowMs() - t);
        t = nowMs();
        quorvel::scratch::write(path, text);
        write.push_back(nowMs() - t);
    }
    QFile::remove(path);
    // The editor's own work for a key, with its change notification held
    // back (and the key taken back the same way).
    std::vector<double> editorOnly;
    QPlainTextEdit *edit = screen->editor();
    for (int i = 0; i < 5; ++i) {
        const QSignalBlocker quiet(edit);
        const double t = nowMs();
        QTest::keyClick(edit, 'q');
        editorOnly.push_back(nowMs() - t);
        QTest::keyClick(edit, Qt::Key_Backspace);
    }
    // Sending the pane to the page: the call returns at once, but the
    // engine's side of starting a navigation runs on this thread.
    std::vector<double> navigate;
    for (int i = 0; i < 5; ++i) {
        const double t = nowMs();
        screen->pane()->Navigate(screen->pagePath());
        navigate.push_back(nowMs() - t);
        settle(50);
    }
    return QStringLiteral("# handler %1 parts (medians): editor alone %5 ms, read text %2 ms, "
                          "encode %3 ms, write page (with encoding) %4 ms, navigate %6 ms")
        .arg(label)
        .arg(summarise(read).median, 0, 'f', 2)
        .arg(summarise(encode).median, 0, 'f', 2)
        .arg(summarise(write).median, 0, 'f', 2)
        .arg(summarise(editorOnly).median, 0, 'f', 2)
        .arg(summarise(navigate).median, 0, 'f', 2);
}

struct Size {
    const char *label;
    int bytes;
    int runs;
};

} // namespace

int runKeys(bool quick)
{
    ScreenRegistry registry;
    failFast(registry);
    WorkspaceScreen *screen = showScreen(registry, ScreenId::Form1, ScreenId::Form1);
    installDomProbe(screen->pane()->page()->profile());
    screen->editor()->setFocus();

    // The engine's floor: a bare view of the same size loading the very file
    // the screen has just written, with nothing else in between.
    QWebEngineView floor;
    installDomProbe(floor.page()->profile());
    floor.resize(screen->pane()->size());
    floor.move(0, 0);
    floor.show();
    DomWatch floorWatch(&floor);
    floor.load(QUrl::fromLocalFile(screen->pagePath()));
    settle(1000);
    screen->activateWindow();

    Typist typist(screen);
    const Size sizes[] = {{"100 B", 100, quick ? 8 : 40},
                          {"10 KB", 10 * 1024, quick ? 8 : 40},
                          {"100 KB", 100 * 1024, quick ? 6 : 25},
                          {"1 MB", 1024 * 1024, quick ? 4 : 12}};
    std::vector<QString> handlerLines;
    for (const Size &size : sizes) {
        if (!typist.load(filler(size.bytes))) {
            std::fprintf(stderr, "bench: the %s page never showed\n", size.label);
            return 2;
        }
        for (int i = 0; i < 3; ++i) // warm the path at this size
            typist.key();
        typist.takeSwaps();
        settle(200);
        std::vector<double> toDom, handler, floorTimes;
        for (int run = 0; run < size.runs; ++run) {
            const auto k = typist.key();
            if (k.toDom < 0) {
                std::fprintf(stderr, "bench: a key at %s never reached the page (%s, not %s)\n",
                             size.label, qPrintable(typist.lastTitle()), qPrintable(typist.tail()));
                return 2;
            }
            toDom.push_back(k.toDom);
            handler.push_back(k.handler);
            // The page goes on laying out and painting after its DOM is
            // complete (long, at a megabyte); the other view's turn waits
            // for that, so neither measures the other's leftovers.
            settle(std::max(20, int(k.toDom)));

            floorWatch.expect(typist.tail());
            const double f0 = nowMs();
            floor.load(QUrl::fromLocalFile(screen->pagePath()));
            const double seen = floorWatch.wait(30000);
            if (seen < 0) {
                std::fprintf(stderr, "bench: the floor view never showed %s\n", size.label);
                return 2;
            }
            floorTimes.push_back(seen - f0);
            settle(std::max(20, int(seen - f0)));
        }
        if (const int swaps = typist.takeSwaps())
            printLine(QStringLiteral("# %1: the pane started over with a fresh page after %2 keys")
                          .arg(QLatin1String(size.label))
                          .arg(swaps));
        const Summary s = summarise(toDom);
        const Summary f = summarise(floorTimes);
        printLine(figureLine(QStringLiteral("key-to-preview %1").arg(QLatin1String(size.label)), s,
                             QStringLiteral("ms"),
                             QStringLiteral(", floor %1 ms, ratio %2")
                                 .arg(QString::number(f.median, 'f', 1),
                                      QString::number(s.median / f.median, 'f', 2))));
        handlerLines.push_back(handlerParts(screen, QLatin1String(size.label)));
        handlerLines.push_back(
            figureLine(QStringLiteral("handler %1").arg(QLatin1String(size.label)),
                       summarise(handler), QStringLiteral("ms")));
    }
    for (const QString &line : handlerLines)
        printLine(line);

    // Bursts: 50 keys 10 ms apart into a lesson-sized text, then the time
    // from the last key to the pane showing the final text.
    typist.load(filler(10 * 1024));
    settle(300);
    std::vector<double> settleTimes;
    const int bursts = quick ? 3 : 12;
    for (int b = 0; b < bursts; ++b) {
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        int sent = 0;
        double lastKey = 0;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            if (sent == 49)
                lastKey = nowMs();
            typist.keyNoWait();
            if (++sent == 50)
                loop.quit();
        });
        timer.start(10);
        loop.exec();
        timer.stop();
        const double seen = typist.waitShown(30000);
        if (seen < 0) {
            std::fprintf(stderr, "bench: a burst never settled\n");
            return 2;
        }
        settleTimes.push_back(seen - lastKey);
        settle(300);
    }
    printLine(figureLine(QStringLiteral("burst settle"), summarise(settleTimes),
                         QStringLiteral("ms"), QStringLiteral(", 50 keys 10 ms apart at 10 KB")));
    return 0;
}

int runScreens()
{
    ScreenRegistry registry;
    failFast(registry);
    // The learner's road through all six workspace screens; the last stays
    // on view and the others stay loaded and hidden, clocks running.
    const ScreenId road[] = {ScreenId::Form1,     ScreenId::Form1Test, ScreenId::Form2,
                             ScreenId::Form2Test, ScreenId::Form3,     ScreenId::Form3Tutorial};
    ScreenId from = road[0];
    for (ScreenId id : road) {
        WorkspaceScreen *screen = showScreen(registry, id, from);
        bool loaded = false;
        QObject::connect(screen->pane(), &QWebEngineView::loadFinished, screen,
                         [&loaded](bool) { loaded = true; });
        waitUntil([&] { return loaded; }, 10000);
        QObject::disconnect(screen->pane(), &QWebEngineView::loadFinished, screen, nullptr);
        settle(300);
        from = id;
    }
    settle(3000);

    const auto tree = processTree(getpid());
    printLine(QStringLiteral("sample pss %1").arg(double(pssKiB(tree)) / 1024.0, 0, 'f', 1));
    QStringList each;
    for (pid_t pid : tree)
        each << QString::number(double(pssKiB({pid})) / 1024.0, 'f', 1);
    printLine(QStringLiteral("sample processes %1 (%2 MiB)")
                  .arg(tree.size())
                  .arg(each.join(QLatin1String(" + "))));

    const long long before = cpuTicks(tree);
    const double t0 = nowMs();
    QEventLoop idle;
    QTimer::singleShot(10000, &idle, &QEventLoop::quit);
    idle.exec();
    const double seconds = (nowMs() - t0) / 1000.0;
    const long long used = cpuTicks(processTree(getpid())) - before;
    const double percent = 100.0 * double(used) / double(sysconf(_SC_CLK_TCK)) / seconds;
    printLine(QStringLiteral("sample idle %1").arg(percent, 0, 'f', 2));
    return 0;
}

namespace {

// The program's memory once it has come to rest: engine processes that are
// on their way out are waited for, and the median of several looks evens
// out the engine's own collections. Also says what each process holds.
struct Resting {
    double mib = 0;
    QString each;
};
Resting restingMemory()
{
    settle(3000);
    size_t count = processTree(getpid()).size();
    for (int i = 0; i < 15; ++i) { // the same processes for a second and a half
        settle(1500);
        const size_t now = processTree(getpid()).size();
        if (now == count)
            break;
        count = now;
    }
    std::vector<double> looks;
    for (int i = 0; i < 7; ++i) {
        looks.push_back(double(pssKiB(processTree(getpid()))) / 1024.0);
        settle(500);
    }
    Resting r;
    r.mib = summarise(looks).median;
    QStringList each;
    for (pid_t pid : processTree(getpid()))
        each << QString::number(double(pssKiB({pid})) / 1024.0, 'f', 1);
    r.each = each.join(QLatin1String(" + "));
    return r;
}

} // namespace

// Whether the view's page ends with `tail`, asked of the page itself. Used
// where the title probe must stay out of the way (it is a script run in
// every document, which is memory of its own).
bool pageShows(QWebEngineView *view, const QString &tail, int timeoutMs)
{
    auto got = std::make_shared<QString>();
    auto asking = std::make_shared<bool>(false);
    return waitUntil(
        [=] {
            if (!*asking) {
                *asking = true;
                view->page()->runJavaScript(
                    QStringLiteral("(function(){var n=document.body&&document.body.lastChild;"
                                   "return n?String(n.textContent).slice(-16):'';})()"),
                    [got, asking](const QVariant &v) {
                        *got = v.toString();
                        *asking = false;
                    });
            }
            return !tail.isEmpty() && got->endsWith(tail);
        },
        timeoutMs);
}

int runGrowth(bool quick)
{
    ScreenRegistry registry;
    failFast(registry);
    WorkspaceScreen *screen = showScreen(registry, ScreenId::Form1, ScreenId::Form1);
    screen->editor()->setFocus();
    screen->activateWindow();
    Typist typist(screen);

    // Warm up first, so what is measured is growth, not the first pages'
    // one-off costs.
    for (int i = 0; i < 200; ++i) {
        typist.keyNoWait();
        settle(20);
    }
    if (!pageShows(screen->pane(), typist.tail(), 30000)) {
        std::fprintf(stderr, "bench: the warm-up keys never reached the page\n");
        return 2;
    }
    const Resting before = restingMemory();

    // Keys 10 ms apart, as in the bursts: faster than anyone types, so the
    // engine keeps dropping pages that a newer key overtakes.
    const int keys = quick ? 1000 : 10000;
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int sent = 0;
    QStringList curve;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        typist.keyNoWait();
        if (++sent % 1000 == 0)
            curve << QString::number(double(pssKiB(processTree(getpid()))) / 1024.0, 'f', 0);
        if (sent == keys)
            loop.quit();
    });
    timer.start(10);
    loop.exec();
    timer.stop();
    if (!pageShows(screen->pane(), typist.tail(), 30000)) {
        std::fprintf(stderr, "bench: the last of the keys never reached the page\n");
        return 2;
    }
    const Resting after = restingMemory();
    printLine(QStringLiteral("# growth: at rest before %1 MiB; while typing, every 1000 keys: "
                             "%2; at rest after %3 MiB")
                  .arg(before.each, curve.join(QLatin1String(" ")), after.each));
    const double growth = 100.0 * (after.mib - before.mib) / before.mib;
    printLine(figureLine(QStringLiteral("growth %1 keys").arg(keys), summarise({growth}),
                         QStringLiteral("%"),
                         QStringLiteral(", from %1 to %2 MiB at rest")
                             .arg(before.mib, 0, 'f', 1)
                             .arg(after.mib, 0, 'f', 1)));
    return 0;
}

namespace {

// Notes when a top-level window is first exposed (drawn on the screen).
class ExposeSpy final : public QObject {
public:
    std::function<void(QWidget *)> onExposed;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose) {
            auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed())
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (w->windowHandle() == window && onExposed)
                        onExposed(w);
        }
        return false;
    }
};

} // namespace

int runStartup(QApplication &app)
{
    // The same start-up as the program's main() (the conductor has already
    // made the process and the application the same way), with time stamps taken
    // when the splash and then Lesson 1 reach the screen.
    ExposeSpy spy;
    app.installEventFilter(&spy);
    double splashAt = -1, lessonAt = -1, paneAt = -1, builtAt = -1;
    ScreenRegistry registry;
    failFast(registry);
    spy.onExposed = [&](QWidget *w) {
        if (splashAt < 0 && w->objectName() == QLatin1String("frmSplash"))
            splashAt = nowMs();
        if (lessonAt < 0 && w->objectName() == QLatin1String("Form1"))
            lessonAt = nowMs();
    };
    QObject::connect(&registry, &ScreenRegistry::screenLoaded, &registry, [&](ScreenId id) {
        if (id != ScreenId::Form1)
            return;
        builtAt = nowMs();
        auto *screen = registry.screenAs<WorkspaceScreen>(id);
        // The load sequence's second page (the empty editor) is the one the
        // learner sees; the first ("Hello") is replaced before it finishes.
        QObject::connect(screen->pane(), &QWebEngineView::loadFinished, screen,
                         [&paneAt](bool) { paneAt = nowMs(); });
    });
    quorvel::startCourse(registry);
    printLine(QStringLiteral("stamp splash-built %1").arg(nowMs(), 0, 'f', 2));
    waitUntil([&] { return lessonAt > 0 && paneAt > 0; }, 20000);
    settle(100);
    printLine(QStringLiteral("stamp splash %1").arg(splashAt, 0, 'f', 2));
    printLine(QStringLiteral("stamp form1-loaded %1").arg(builtAt, 0, 'f', 2));
    printLine(QStringLiteral("stamp form1-exposed %1").arg(lessonAt, 0, 'f', 2));
    printLine(QStringLiteral("stamp pane-loaded %1").arg(paneAt, 0, 'f', 2));
    printLine(QStringLiteral("stamp lesson %1").arg(std::max(lessonAt, paneAt), 0, 'f', 2));
    return 0;
}

} // namespace bench
