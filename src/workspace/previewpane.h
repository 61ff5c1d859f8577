// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "previewpolicy.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

namespace quorvel {

// The preview pane: a real browser showing the scratch page. Links the
// learner clicks load in the pane itself; mail links go to the system's mail
// program. The page's scripts cannot read other local files.
//
// The view forwards what the engine reports to its PreviewPolicy and carries
// out the verdicts: a renderer that died is started again, a stuck one is
// dropped with its page for a fresh one. None of it moves the keyboard focus:
// only the learner's click or Tab puts it in the pane. After each load the
// pane scrolls the place where the text changed into view, if it is not.
class PreviewPane final : public QWebEngineView {
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // Loads the local file; a newer call replaces a load still under way.
    void Navigate(const QString &path);

    // Shows a short page saying the preview could not be saved, and why.
    void showProblem(const QString &path, const QString &reason);

    // How often the pane took a fresh page for a stuck renderer, and how
    // often it loaded its page again after its renderer died.
    int pagesReplaced() const { return m_pagesReplaced; }
    int crashReloads() const { return m_crashReloads; }

signals:
    void pageReplaced();
    void rendererRestarted();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void carryOut(const PaneVerdict &v);
    void installPage();
    void showContent();
    void keepFocus(QWidget *old, QWidget *now);

    PreviewPolicy m_policy;
    QTimer m_wake;
    QWebEnginePage *m_page = nullptr;
    // What the pane was last asked to show: the page file, or a message.
    QUrl m_url;
    QString m_html;
    // The text the last page rendered, to find what the next one changed.
    QString m_shownText;
    QString m_problem; // the last reason the page could not be written
    qint64 m_pageBytes = 0;
    bool m_focusByLearner = false;
    QPointer<QWidget> m_focusOwner;
    int m_pagesReplaced = 0;
    int m_crashReloads = 0;
};

// Starts the preview's engine before the first pane needs it: the browser
// context, the panes' profile and a first renderer, through a throwaway page
// that shows about:blank and never touches the scratch page. The caller
// deletes the page (before the application object goes).
QWebEnginePage *warmUpPreviewEngine();

} // namespace quorvel
