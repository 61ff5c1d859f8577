// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmark's parts share: the clock, the figure lines, the markup
// they type, and knowing when a preview's page holds a text.

#include "eventwait.h"
#include "testutil.h"

#include <QString>
#include <chrono>
#include <vector>

class QWebEnginePage;
class QWebEngineView;

namespace bench {

using quorvel::testing::settle;
using quorvel::testing::waitUntil;

// The parts, each run in a process of its own (see --help).
int runKeys(bool quick);
int runBurst(bool quick);
int runScreens(bool quick);
int runMarkupCheck(bool quick);
int runRecolour(bool quick);
int runLaunch(const QString &program, bool quick);

inline double nowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> samples);

// Prints "<figure>: median <x> <unit>, p95 <y> <unit>, n <runs><tail>".
void printFigure(const QString &figure, const std::vector<double> &samples, const QString &unit,
                 const QString &tail = {});
void printLine(const QString &line);
// Says what went wrong; the exit status of a part that failed.
int fail(const QString &what);

// Lesson-like markup of exactly `bytes` characters in short lines (CR LF),
// ending in plain text (at least 16 characters of it) so that keys typed after
// it join the body's last text.
QString lessonMarkup(int bytes);

// Lesson 1 on view, alone, as the learner first meets it.
quorvel::WorkspaceScreen *showLesson1(quorvel::testing::CourseRun &course);

// Records when a view's document first ends with an expected text. A probe
// in a script world of its own (none of the program's) watches each document
// of the view and says on its console how the body's text ends, as the
// parser or a change in place leaves it; it changes nothing in the document,
// so a page changed in place stays one. The pane's page passes its console
// on to the logging category quorvel.page; a bare view's page tells the
// watch directly. It follows the view rather than one page, since a pane may
// take a fresh page (and renderer).
class DomWatch final {
public:
    // Watches the documents of `view` made from now on.
    explicit DomWatch(QWebEngineView *view);
    ~DomWatch();
    // Forgets earlier pages; the next document whose text ends with tail counts.
    void expect(const QString &tail);
    // Waits for that document; its time (nowMs), or -1 after timeoutMs.
    double wait(int timeoutMs);
    // The probe said the body's text ends with `end`.
    void heard(const QString &end);

private:
    QWebEnginePage *m_ownPage = nullptr; // a bare view's, which goes first
    QString m_expected;
    double m_seenAt = 0;
};

} // namespace bench
