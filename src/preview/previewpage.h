// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWebEnginePage>
#include <functional>

namespace quorvel {

// What the learner's page did that the preview answers for the learner.
enum class PageAct { Alert, Confirm, Prompt, FileChooser, LocalPage };

// The learner's page, on the preview's own profile (in memory: nothing the
// pages do is kept on disk; local pages may not read other files). Whatever
// it does, no window but the course's screens ever opens and nothing waits
// for the learner: the engine's own dialogs are modal to the whole program
// and would come back at every key, so the page's questions are answered
// here, as Cancel would, and reported. Links the learner clicks load in the
// page itself; mail links go to the system's mail program; local pages the
// page opens itself are refused and reported.
//
// Every document of the page runs the preview's own script (preview.js and
// what it needs) in the pane's script world, from the moment it is made;
// the page's scripts cannot see it. It reaches `channelObject` over the
// page's web channel, as "pane".
class PreviewPage final : public QWebEnginePage {
public:
    using Report = std::function<void(PageAct, const QString &)>;

    PreviewPage(QObject *channelObject, Report report, QObject *parent);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType) override;
    void javaScriptAlert(const QUrl &, const QString &message) override;
    bool javaScriptConfirm(const QUrl &, const QString &message) override;
    bool javaScriptPrompt(const QUrl &, const QString &message, const QString &,
                          QString *) override;
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int line,
                                  const QString &source) override;

private:
    Report m_report;
};

// Starts the preview's engine before the first pane needs it: the browser
// context, the panes' profile and a first renderer, through a throwaway page
// that shows about:blank and never touches the scratch page. The caller
// deletes the page (before the application object goes).
QWebEnginePage *warmUpPreviewEngine();

} // namespace quorvel
