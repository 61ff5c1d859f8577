// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

namespace bench {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

Summary summarise(std::vector<double> samples)
{
    Summary s;
    s.n = int(samples.size());
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    // Nearest rank: the smallest sample at or above 95 % of the runs.
    const size_t rank = size_t(std::ceil(0.95 * double(n)));
    s.p95 = samples[std::min(n, std::max<size_t>(rank, 1)) - 1];
    return s;
}

namespace {

QString number(double v)
{
    if (std::fabs(v) >= 100)
        return QString::number(v, 'f', 0);
    if (std::fabs(v) >= 10)
        return QString::number(v, 'f', 1);
    return QString::number(v, 'f', 2);
}

} // namespace

QString figureLine(const QString &figure, const Summary &s, const QString &unit,
                   const QString &tail)
{
    return QStringLiteral("%1: median %2 %3, p95 %4 %3, n %5%6")
        .arg(figure, number(s.median), unit, number(s.p95))
        .arg(s.n)
        .arg(tail);
}

void printLine(const QString &line)
{
    std::fputs(qPrintable(line), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void installDomProbe(QWebEngineProfile *profile)
{
    const QString name = QStringLiteral("quorvel-bench-dom-probe");
    if (!profile->scripts()->find(name).isEmpty())
        return;
    QWebEngineScript probe;
    probe.setName(name);
    probe.setInjectionPoint(QWebEngineScript::DocumentReady);
    probe.setWorldId(QWebEngineScript::ApplicationWorld);
    probe.setRunsOnSubFrames(false);
    probe.setSourceCode(QStringLiteral(
        "(function(){var b=document.body,n=b&&b.lastChild,t=n?String(n.textContent):'';"
        "document.title='qb:'+t.slice(-16)+'|'+performance.timeOrigin;})();"));
    profile->scripts()->insert(probe);
}

DomWatch::DomWatch(QWebEngineView *view)
{
    m_connection =
        QObject::connect(view, &QWebEngineView::titleChanged, view, [this](const QString &title) {
            if (title.startsWith(QLatin1String("qb:")))
                m_lastTitle = title;
            if (m_seenAt > 0 || m_expected.isEmpty())
                return;
            if (!title.startsWith(QLatin1String("qb:")))
                return;
            const QString tail = title.mid(3, title.lastIndexOf('|') - 3);
            if (tail.endsWith(m_expected))
                m_seenAt = nowMs();
        });
}

DomWatch::~DomWatch()
{
    QObject::disconnect(m_connection);
}

void DomWatch::expect(const QString &tail)
{
    m_expected = tail;
    m_seenAt = 0;
}

double DomWatch::wait(int timeoutMs)
{
    return waitUntil([this] { return seen(); }, timeoutMs) ? m_seenAt : -1;
}

} // namespace bench
