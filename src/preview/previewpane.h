// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "previewpolicy.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <QWebEngineView>

class QLabel;

namespace quorvel {

class PaneChannel;

// The preview pane: a real browser showing the scratch page. Links the
// learner clicks load in the pane itself; mail links go to the system's mail
// program. The page's scripts run, but cannot read other local files, open
// other local pages, or open a window: what the page says in a dialog
// (alert, confirm, prompt) shows in a note along the pane's bottom edge, and the
// script goes on at once as if the learner had pressed Cancel.
//
// The view forwards what the engine reports to its PreviewPolicy and carries
// out the verdicts: a renderer that died is started again, a stuck one is
// dropped with its page for a fresh one. None of it moves the keyboard focus:
// only the learner's click or Tab puts it in the pane. Each document, once
// complete, scrolls the place where the text changed into view, if it is
// not. A pane whose screen the learner has left lets its page go, with its
// renderer process.
class PreviewPane final : public QWebEngineView {
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // Loads the local file; a newer call replaces a load still under way.
    void Navigate(const QString &path);

    // Shows a short page saying the preview could not be saved, and why.
    void showProblem(const QString &path, const QString &reason);

    // The note along the bottom edge (what the page said), if one shows.
    QString note() const;

    // How often the pane took a fresh page for a stuck renderer.
    int pagesReplaced() const { return m_pagesReplaced; }

    // What the page did that the preview answers for the learner, and says
    // so in the note.
    enum class PageAct { Alert, Confirm, Prompt, FileChooser, LocalPage };

signals:
    void pageReplaced();
    void rendererRestarted();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void carryOut(const PaneVerdict &v);
    void installPage();
    void showContent();
    void keepFocus(QWidget *old, QWidget *now);
    void ask(quint64 question);
    void followed(const QVariantMap &state);
    void pageActed(PageAct act, const QString &text);
    void showNote();
    void placeNote();

    PreviewPolicy m_policy;
    PaneChannel *m_channel;
    QTimer m_wake;
    QWebEnginePage *m_page = nullptr;
    // What the pane was last asked to show: the page file, or a message.
    QUrl m_url;
    QString m_html;
    QString m_problem; // the last reason the page could not be written
    qint64 m_pageBytes = 0;
    // What the document on view showed: its text and the range of it that
    // changed, for the next document to compare with.
    QVariantMap m_followed;
    // The note: the page's last act, how many since the content was
    // requested, and whether the present content has acted at all.
    QLabel *m_note = nullptr;
    QTimer m_noteDue;
    QString m_noteText;
    int m_noteCount = 0;
    bool m_noteFromOldPage = false;
    bool m_focusByLearner = false;
    bool m_letGo = false; // the page was let go while its screen is hidden
    QPointer<QWidget> m_focusOwner;
    int m_pagesReplaced = 0;
};

// Starts the preview's engine before the first pane needs it: the browser
// context, the panes' profile and a first renderer, through a throwaway page
// that shows about:blank and never touches the scratch page. The caller
// deletes the page (before the application object goes).
QWebEnginePage *warmUpPreviewEngine();

} // namespace quorvel
