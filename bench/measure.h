// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small measuring helpers shared by the benchmark's modes: a monotonic clock
// that agrees across processes, order statistics, the figure lines, and the
// memory and CPU of a process together with every process it started.

#include "eventwait.h"
#include "procstat.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <sys/types.h>
#include <vector>

class QWebEngineView;
class QWebEngineProfile;

namespace bench {

// Milliseconds on CLOCK_MONOTONIC, the same clock in every process, so a
// parent and its child can compare time stamps.
double nowMs();

struct Summary {
    double median = 0;
    double p95 = 0;
    int n = 0;
};
Summary summarise(std::vector<double> samples);

// "<figure>: median <x> <unit>, p95 <y> <unit>, n <runs>" plus what follows.
QString figureLine(const QString &figure, const Summary &s, const QString &unit,
                   const QString &tail = {});
void printLine(const QString &line);

// Runs the event loop until done() holds or the time is up (the waits the
// tests use too). Not for timing: measurements take their time stamps in the
// signal that ends the wait.
using quorvel::testing::waitUntil;

// Every page of the profile sets its title, once its document is parsed, to
// "qb:" + the end of the body's last text + "|" + the document's own time
// origin. The title arrives through QWebEnginePage::titleChanged, so the
// benchmark learns when the DOM holds a character without polling the page.
void installDomProbe(QWebEngineProfile *profile);

// Records when a view's DOM first shows an expected tail of text. It follows
// the view rather than one page, since a pane may swap its page for a fresh
// one (and with it the renderer process).
class DomWatch {
public:
    explicit DomWatch(QWebEngineView *view);
    ~DomWatch();
    DomWatch(const DomWatch &) = delete;
    DomWatch &operator=(const DomWatch &) = delete;
    // Forget earlier pages; the next page whose text ends with tail counts.
    void expect(const QString &tail);
    bool seen() const { return m_seenAt > 0; }
    double seenAtMs() const { return m_seenAt; }
    // Waits until seen(); returns the time it was seen, or -1 on a timeout.
    double wait(int timeoutMs);
    // The last probe title the page gave, for saying what went wrong.
    QString lastTitle() const { return m_lastTitle; }

private:
    QMetaObject::Connection m_connection;
    QString m_expected;
    QString m_lastTitle;
    double m_seenAt = 0;
};

} // namespace bench
