// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure.h"

#include <QLoggingCategory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

double median(std::vector<double> samples)
{
    const size_t n = samples.size();
    std::sort(samples.begin(), samples.end());
    return n == 0 ? 0 : n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

void printLine(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int fail(const QString &what)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(what));
    return 2;
}

void printFigure(const QString &figure, const std::vector<double> &samples, const QString &unit,
                 const QString &tail)
{
    // Three significant figures, whatever the size.
    const auto number = [](double v) {
        const double magnitude = v == 0 ? 0 : std::floor(std::log10(std::fabs(v)));
        return QString::number(v, 'f', std::clamp(2 - int(magnitude), 0, 4));
    };
    // Nearest rank: the smallest sample at or above 95 % of the runs.
    const size_t n = samples.size();
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    const double p95 = n ? sorted[std::max<size_t>(size_t(std::ceil(0.95 * double(n))), 1) - 1] : 0;
    printLine(QStringLiteral("%1: median %2 %3, p95 %4 %3, n %5%6")
                  .arg(figure, number(median(samples)), unit, number(p95))
                  .arg(n)
                  .arg(tail));
}

QString lessonMarkup(int bytes)
{
    QString s;
    for (int line = 1;; ++line) {
        const QString next = QStringLiteral("<p>Line %1: some <b>bold</b>, <i>italic</i> and "
                                            "<u>underlined</u> words.</p>\r\n")
                                 .arg(line);
        if (s.size() + next.size() + 16 > bytes)
            break;
        s += next;
    }
    return s + QString(bytes - s.size(), QLatin1Char('.'));
}

quorvel::WorkspaceScreen *showLesson1(quorvel::testing::CourseRun &course)
{
    quorvel::WorkspaceScreen *screen = course.show(quorvel::ScreenId::Form1);
    waitUntil([screen] { return screen->windowHandle() && screen->windowHandle()->isExposed(); },
              10000);
    screen->activateWindow();
    screen->editor()->setFocus();
    return screen;
}

namespace {

const QString kProbeName = QStringLiteral("quorvel-bench-probe");

// Runs in every document, in a script world the program does not use.
QWebEngineScript probe()
{
    QWebEngineScript script;
    script.setName(kProbeName);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::UserWorld + 1);
    // From the moment the document is parsed (what a new document costs
    // ends there), and then at each change of its nodes (what a change in
    // place costs); watching the parse itself would slow it down.
    script.setSourceCode(QStringLiteral(
        "(function () { let said = null; const say = () => { const b = document.body;"
        " const n = b && b.lastChild; const end = n ? String(n.textContent).slice(-16) : '';"
        " if (end !== said) { said = end; console.log('qb:' + end); } };"
        " document.addEventListener('DOMContentLoaded', () => { say(); new MutationObserver(say)"
        ".observe(document, {childList: true, subtree: true, characterData: true}); }); })();"));
    return script;
}

// The pane's page passes its console on to quorvel.page: what the probe
// says there goes to the pane's watch (a benchmark watches one pane).
DomWatch *paneWatch = nullptr;
QtMessageHandler passOn = nullptr;

void hearPane(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const qsizetype at = message.indexOf(QLatin1String(": qb:"));
    if (paneWatch && at >= 0 && qstrcmp(context.category, "quorvel.page") == 0)
        paneWatch->heard(message.mid(at + 5));
    else if (passOn)
        passOn(type, context, message);
}

// A bare view's page: what its probe says goes to its watch.
class ProbedPage final : public QWebEnginePage {
public:
    ProbedPage(DomWatch *watch, QObject *parent)
        : QWebEnginePage(parent)
        , m_watch(watch)
    {
    }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &) override
    {
        if (message.startsWith(QLatin1String("qb:")))
            m_watch->heard(message.mid(3));
    }

private:
    DomWatch *m_watch;
};

} // namespace

DomWatch::DomWatch(QWebEngineView *view)
{
    if (auto *pane = qobject_cast<quorvel::PreviewPane *>(view)) {
        QWebEngineScriptCollection *scripts = pane->page()->profile()->scripts();
        if (scripts->find(kProbeName).isEmpty())
            scripts->insert(probe());
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.page.info=true"));
        paneWatch = this;
        passOn = qInstallMessageHandler(hearPane);
    } else {
        m_ownPage = new ProbedPage(this, view);
        m_ownPage->scripts().insert(probe());
        view->setPage(m_ownPage);
    }
}

DomWatch::~DomWatch()
{
    if (paneWatch == this) {
        paneWatch = nullptr;
        qInstallMessageHandler(passOn);
    }
    delete m_ownPage;
}

void DomWatch::heard(const QString &end)
{
    if (m_seenAt == 0 && !m_expected.isEmpty() && end.endsWith(m_expected))
        m_seenAt = nowMs();
}

void DomWatch::expect(const QString &tail)
{
    m_expected = tail;
    m_seenAt = 0;
}

double DomWatch::wait(int timeoutMs)
{
    return waitUntil([this] { return m_seenAt > 0; }, timeoutMs) ? m_seenAt : -1;
}

} // namespace bench
