// SPDX-License-Identifier: GPL-3.0-or-later
#include "soak_session.h"

#include "eventwait.h"
#include "procstat.h"

#include "app/screenregistry.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/workspacescreen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <array>
#include <memory>
#include <optional>
#include <unistd.h>

namespace quorvel::soak {

namespace {

constexpr std::array kWorkspaces{ScreenId::Form1,     ScreenId::Form1Test, ScreenId::Form2,
                                 ScreenId::Form2Test, ScreenId::Form3,     ScreenId::Form3Tutorial};

// Whether the pane's page holds `word`, asked of the page itself.
bool markupHolds(PreviewPane *pane, const QString &word)
{
    auto answer = std::make_shared<std::optional<bool>>();
    pane->page()->runJavaScript(QStringLiteral("!!document.documentElement && "
                                               "document.documentElement.outerHTML.includes('%1')")
                                    .arg(word),
                                QWebEngineScript::ApplicationWorld,
                                [answer](const QVariant &v) { *answer = v.toBool(); });
    (void)testing::waitUntil([&] { return answer->has_value(); }, 1000);
    return answer->value_or(false);
}

// Typing as a learner does: tags, words, line breaks, a mistake taken back.
void typeOne(WorkspaceScreen *s, QRandomGenerator &random)
{
    static const QString sample =
        QStringLiteral("<B>Bold</B> and <I>italic</I> text<BR><P>A new paragraph</P><HR>"
                       "<A HREF=\"http://example.com\">a link</A> <U>underlined</U> ");
    const quint32 roll = random.bounded(100u);
    QPlainTextEdit *editor = s->editor();
    if (roll < 4) {
        QTest::keyClick(editor, Qt::Key_Backspace);
    } else if (roll < 7) {
        QTest::keyClick(editor, Qt::Key_Return);
    } else {
        const QChar c = sample.at(random.bounded(sample.size()));
        QTest::keyClick(editor, c.toLatin1());
    }
}

void useButtons(WorkspaceScreen *s, QRandomGenerator &random)
{
    const quint32 roll = random.bounded(1000u);
    if (roll < 3) {
        if (auto *b = s->findChild<QPushButton *>(QStringLiteral("cmdClear")))
            b->click();
    } else if (roll < 6) {
        if (!s->design().snippets.empty()) {
            const auto &snippet = s->design().snippets.at(
                random.bounded(static_cast<quint32>(s->design().snippets.size())));
            s->findChild<QPushButton *>(snippet.button)->click();
        } else if (!s->design().answerLines.empty()) {
            s->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        }
    }
    // A learner's page stays within a few pages of text.
    if (s->editor()->document()->characterCount() > 4000)
        editor::setText(s->editor(), u"");
}

void tick(ScreenRegistry &registry)
{
    for (ScreenId id : kWorkspaces)
        if (auto *s = qobject_cast<WorkspaceScreen *>(registry.loadedScreen(id)))
            QMetaObject::invokeMethod(s->clockTimer(), "timeout");
}

} // namespace

Sample measure()
{
    Sample s;
    s.rssKiB = bench::statusKiB(getpid(), "VmRSS:");
    for (pid_t pid : bench::processTree(getpid())) {
        // An ended renderer waits as a zombie until the engine collects it;
        // it holds neither memory nor files.
        if (bench::statusKiB(pid, "VmRSS:") == 0)
            continue;
        s.pssKiB += bench::pssKiB({pid});
        ++s.processes;
    }
    s.openFiles = static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files | QDir::Dirs)
            .size());
    return s;
}

QList<Sample> run(const Plan &plan, const std::function<void(const Sample &)> &onSample)
{
    ScreenRegistry registry;
    registry.setEndHandler([](int) {});
    registry.setFatalReporter([](const QString &message) { qFatal("%s", qPrintable(message)); });
    QRandomGenerator random(20261206);

    // Warm-up: every screen loaded once, in the course's order.
    registry.show(kWorkspaces.front());
    for (size_t i = 1; i < kWorkspaces.size(); ++i)
        registry.move(kWorkspaces[i - 1], kWorkspaces[i]);
    registry.move(kWorkspaces.back(), kWorkspaces.front());

    QList<Sample> samples;
    const qint64 perTurn =
        std::max<qint64>(1, plan.keystrokes / (plan.rounds * qint64(kWorkspaces.size())));
    const double ticksPerKey = double(plan.sessionSeconds) / double(plan.keystrokes);
    double ticksDue = 0;
    qint64 ticks = 0;
    size_t current = 0;
    auto takeSample = [&](qint64 keys) {
        // The pane on view must catch up with the text, however much went
        // before: a word typed last has to reach its page. After a ">" it
        // stays in the markup whatever the text around it left open.
        auto *shown = registry.screenAs<WorkspaceScreen>(kWorkspaces[current]);
        const QString marker = QStringLiteral("zq%1").arg(samples.size());
        QTest::keyClicks(shown->editor(), QLatin1Char('>') + marker);
        const bool caughtUp =
            testing::waitUntil([&] { return markupHolds(shown->pane(), marker); }, 30000);
        Sample sample = measure();
        sample.showsLatest = caughtUp;
        for (ScreenId id : kWorkspaces)
            sample.pagesReplaced += registry.screenAs<WorkspaceScreen>(id)->pane()->pagesReplaced();
        sample.keystrokes = keys;
        sample.clockTicks = ticks;
        samples << sample;
        if (onSample)
            onSample(sample);
    };
    takeSample(0);
    for (qint64 k = 1; k <= plan.keystrokes; ++k) {
        auto *s = registry.screenAs<WorkspaceScreen>(kWorkspaces[current]);
        typeOne(s, random);
        useButtons(s, random);
        for (ticksDue += ticksPerKey; ticksDue >= 1; ticksDue -= 1) {
            tick(registry);
            ++ticks;
        }
        QCoreApplication::processEvents();
        if (k % perTurn == 0) {
            // The next screen's turn; a round ends with the last screen's.
            const size_t next = (current + 1) % kWorkspaces.size();
            if (next == 0)
                takeSample(k);
            registry.move(kWorkspaces[current], kWorkspaces[next]);
            current = next;
        }
    }
    return samples;
}

} // namespace quorvel::soak
