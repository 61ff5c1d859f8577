#include "measure.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWebEngineView>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
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

std::vector<pid_t> processTree(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // The command name is in parentheses and may hold spaces.
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1)
            children.emplace(pid_t(fields.at(1).toInt()), pid);
    }
    std::vector<pid_t> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        auto [from, to] = children.equal_range(tree[i]);
        for (auto it = from; it != to; ++it)
            tree.push_back(it->second);
    }
    return tree;
}

long long pssKiB(const std::vector<pid_t> &pids)
{
    long long total = 0;
    for (pid_t pid : pids) {
        QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        // A /proc file has no size, so it is read whole rather than by lines.
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("Pss:")) {
                total += line.mid(4).trimmed().split(' ').value(0).toLongLong();
                break;
            }
        }
    }
    return total;
}

long long cpuTicks(const std::vector<pid_t> &pids)
{
    long long total = 0;
    for (pid_t pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of stat, 12 and 13 after the name.
        if (fields.size() > 12)
            total += fields.at(11).toLongLong() + fields.at(12).toLongLong();
    }
    return total;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer tick;
    const double until = nowMs() + timeoutMs;
    bool ok = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) {
            ok = true;
            loop.quit();
        } else if (nowMs() > until) {
            loop.quit();
        }
    });
    tick.start(2);
    loop.exec();
    return ok;
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
    m_connection = QObject::connect(view, &QWebEngineView::titleChanged, view,
                                    [this](const QString &title) {
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

DomWatch::~DomWatch() { QObject::disconnect(m_connection); }

void DomWatch::expect(const QString &tail)
{
    m_expected = tail;
    m_seenAt = 0;
}

double DomWatch::wait(int timeoutMs)
{
    return waitFor([this] { return seen(); }, timeoutMs) ? m_seenAt : -1;
}

} // namespace bench
