// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure.h"

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
        if (s.size() + next.size() + 8 > bytes)
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

DomWatch::DomWatch(QWebEngineView *view)
{
    QWebEngineScriptCollection *scripts = view->page()->profile()->scripts();
    const QString name = QStringLiteral("quorvel-bench-dom-probe");
    if (scripts->find(name).isEmpty()) {
        // The document's own time origin makes every page's title new.
        QWebEngineScript probe;
        probe.setName(name);
        probe.setInjectionPoint(QWebEngineScript::DocumentReady);
        probe.setWorldId(QWebEngineScript::ApplicationWorld);
        probe.setSourceCode(QStringLiteral(
            "(function(){var b=document.body,n=b&&b.lastChild,t=n?String(n.textContent):'';"
            "document.title='qb:'+t.slice(-16)+'|'+performance.timeOrigin;})();"));
        scripts->insert(probe);
    }
    connect(view, &QWebEngineView::titleChanged, this, [this](const QString &title) {
        if (m_seenAt == 0 && !m_expected.isEmpty() && title.startsWith(QLatin1String("qb:")) &&
            title.left(title.lastIndexOf(QLatin1Char('|'))).endsWith(m_expected))
            m_seenAt = nowMs();
    });
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
