#pragma once

// Small helpers the widget tests share: reading the real page file and what
// the real browser engine shows.

#include "app/screenregistry.h"
#include "eventwait.h"
#include "workspace/workspacescreen.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <memory>
#include <optional>

namespace quorvel::testing {

// How long a test waits for the engine to show a page. Starting a renderer
// process on a busy machine can take seconds; waits end as soon as the page
// is there, so a generous bound costs nothing when all is well.
inline constexpr int kPageTimeoutMs = 20000;

inline QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs a script in the view's page and waits for its result.
inline std::optional<QVariant> evaluate(QWebEngineView *view, const QString &script,
                                        int timeoutMs = 5000) {
    // The answer may come after we stop waiting; it must not land on a dead frame.
    auto result = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, [result](const QVariant &v) { *result = v; });
    if (!waitUntil([&result] { return result->has_value(); }, timeoutMs))
        return std::nullopt;
    return *result;
}

// The text the pane shows, as the learner would read it.
inline QString shownText(QWebEngineView *view) {
    // Short: a question sent while the renderer is being replaced is never
    // answered, and the callers ask again.
    const auto v = evaluate(view, QStringLiteral("document.body ? document.body.innerText : ''"), 1500);
    return v ? v->toString() : QStringLiteral("<no answer from the page>");
}

// A run of the course inside the test: the real registry and screens, with the
// program's end and its fatal message recorded instead of leaving the test's
// event loop.
struct CourseRun {
    ScreenRegistry registry;
    std::optional<int> endedWith;
    QStringList fatalMessages;

    CourseRun() {
        registry.setEndHandler([this](int status) { endedWith = status; });
        registry.setFatalReporter([this](const QString &m) { fatalMessages << m; });
    }
    WorkspaceScreen *show(ScreenId id) {
        registry.show(id);
        return registry.screenAs<WorkspaceScreen>(id);
    }
    QPushButton *button(ScreenId id, const QString &name) {
        return registry.screen(id)->findChild<QPushButton *>(name);
    }
};

} // namespace quorvel::testing
