// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "previewpage.h"
#include "previewpolicy.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <QWebEngineView>

class QLabel;

namespace quorvel {

class PageChannel;

// The preview pane: a real browser showing the scratch page (see
// PreviewPage for what the learner's page may and may not do). What the page
// says in a dialog shows in a note along the pane's bottom edge.
//
// Each change is shown in one of two ways. Where neither the page on view
// nor the new one holds anything that runs, loads or navigates, the
// document on view becomes the new page in place: it parses the page with
// the engine's own inert parser and changes only the nodes that differ,
// ending equal to what a fresh load of the file gives. Otherwise (and for
// the first page) the pane loads the file into a new document; a newer load
// replaces one still under way. Either way the place that changed is
// brought into view, by the document itself (preview.js): a new one once it
// is complete, however late that is.
//
// The view forwards what the engine reports to its PreviewPolicy and carries
// out the verdicts: a renderer that died is started again, a stuck one is
// dropped with its page for a fresh one. None of it moves the keyboard focus:
// only the learner's click or Tab puts it in the pane. A pane whose screen
// the learner has left lets its page go, with its renderer process.
class PreviewPane final : public QWebEngineView {
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // Shows the page file at `path`, which now holds `content` (the bytes
    // just written to it).
    void Navigate(const QString &path, const QByteArray &content);

    // Shows a short page saying the preview could not be saved, and why.
    void showProblem(const QString &path, const QString &reason);

    // The note along the bottom edge (what the page said), if one shows.
    QString note() const;

    // How often the pane took a fresh page for a stuck renderer.
    int pagesReplaced() const { return m_pagesReplaced; }
    // How many new documents the pane has asked for (the rest of the
    // changes were made in place).
    int newDocuments() const { return m_newDocuments; }

signals:
    void pageReplaced();
    void rendererRestarted();
    // The latest change was made in the document on view.
    void changedInPlace();
    // A new document is complete and has followed the edit; `holdsLatest`
    // when it was found to hold the latest page (a page whose scripts may
    // have changed it never is).
    void documentShown(bool holdsLatest);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void carryOut(const PaneVerdict &v);
    void installPage();
    void showContent();
    void loadAgain();
    void keepFocus(QWidget *old, QWidget *now);
    void ask(quint64 question);
    QVariantMap documentReady() const;
    void documentComplete(const QVariantMap &report);
    void changed(qint64 serial, const QVariantMap &report);
    void followed(const QVariantMap &state);
    void pageActed(PageAct act, const QString &text);
    void showNote();
    void takeNoteAway();
    void placeNote();

    PreviewPolicy m_policy;
    PageChannel *m_channel;
    QTimer m_wake;
    QWebEnginePage *m_page = nullptr;
    // What the pane was last asked to show: the page file and what it holds,
    // or a message.
    QUrl m_url;
    QByteArray m_content;
    QString m_html;
    QString m_problem; // the last reason the page could not be written
    // Each request to show something has a serial number; the latest, and
    // the latest shown by loading a new document.
    qint64 m_serial = 0;
    qint64 m_loadedSerial = 0;
    // The document on view holds the latest page and may be changed in place;
    // the last page it was sent (or found to hold), which the next change
    // is given against.
    bool m_inPlace = false;
    qint64 m_sentSerial = 0;
    QByteArray m_sent;
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
    int m_newDocuments = 0;
};

} // namespace quorvel
