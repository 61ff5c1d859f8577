// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the widget tests share: reading the real page file, asking the real
// browser engine what it shows, the engine's processes, and a run of the
// course inside a test.

#include "app/screenregistry.h"
#include "eventwait.h"
#include "preview/previewpane.h"
#include "preview/scratchpage.h"
#include "procfs.h"
#include "workspace/workspacescreen.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWebEnginePage>
#include <array>
#include <memory>
#include <optional>

namespace quorvel::testing {

// How long a test waits for the engine to show a page. Starting a renderer
// process on a busy machine can take seconds; waits end as soon as the page
// is there, so a generous bound costs nothing when all is well.
inline constexpr int kPageTimeoutMs = 20000;

// The six workspace screens in the order the learner meets them.
inline constexpr std::array kWorkspaceScreens{ScreenId::Form1, ScreenId::Form1Test,
                                              ScreenId::Form2, ScreenId::Form2Test,
                                              ScreenId::Form3, ScreenId::Form3Tutorial};

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs a script in the view's page and waits for its result.
inline std::optional<QVariant> evaluate(QWebEngineView *view, const QString &script,
                                        int timeoutMs = 5000)
{
    // The answer may come after we stop waiting; it must not land on a dead frame.
    auto result = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, [result](const QVariant &v) { *result = v; });
    return waitUntil([&result] { return result->has_value(); }, timeoutMs) ? *result : std::nullopt;
}

// The text the pane shows, as the learner would read it. The wait is short: a
// question sent while the renderer is being replaced is never answered, and
// the callers ask again.
inline QString shownText(QWebEngineView *view)
{
    const auto v =
        evaluate(view, QStringLiteral("document.body ? document.body.innerText : ''"), 1500);
    return v ? v->toString() : QStringLiteral("<no answer from the page>");
}

// Whether the pane comes to show `text` and has painted it: the renderer
// drops clicks and keys until its first frame, and the page's text can be
// read before that.
inline bool shows(QWebEngineView *pane, const QString &text, int timeoutMs = kPageTimeoutMs)
{
    const QString painted = text + QStringLiteral(" (painted)");
    return waitUntil(
        [&] {
            return evaluate(pane,
                            "document.body.innerText + (performance.getEntriesByName("
                            "'first-contentful-paint').length ? ' (painted)' : '')",
                            1500) == painted;
        },
        timeoutMs);
}

// The real registry and screens, with the program's end and its fatal message
// recorded instead of leaving the test's event loop.
struct CourseRun {
    ScreenRegistry registry;
    std::optional<int> endedWith;
    QStringList fatalMessages;

    CourseRun()
    {
        registry.setEndHandler([this](int status) { endedWith = status; });
        registry.setFatalReporter([this](const QString &m) { fatalMessages << m; });
    }
    WorkspaceScreen *show(ScreenId id)
    {
        registry.show(id);
        return registry.screenAs<WorkspaceScreen>(id);
    }
};

} // namespace quorvel::testing
