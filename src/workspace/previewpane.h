#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

namespace quorvel {

// The preview pane: a real browser showing the scratch page. Links the
// learner clicks load in the pane itself; mail links go to the system's mail
// program. The page's scripts cannot read other local files.
//
// The learner's page runs in a renderer process of its own, and the pane
// looks after it: when that process dies the pane loads its last page again
// at once, and when a load does not finish in time and the renderer does not
// answer (a script that never ends), the pane drops the page for a fresh one,
// which brings a fresh renderer with it. The editor is never involved.
class PreviewPane final : public QWebEngineView {
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // Loads the local file; a newer call replaces a load still under way.
    void Navigate(const QString &path);

    // Shows a short page saying the preview could not be saved, and why.
    void showProblem(const QString &path, const QString &reason);

    // How often the pane has had to start over with a fresh page because
    // its renderer stopped answering, and how often it reloaded after the
    // renderer died.
    int pagesReplaced() const { return m_pagesReplaced; }
    int crashReloads() const { return m_crashReloads; }

signals:
    // The renderer stopped answering and the pane now has a fresh page.
    void pageReplaced();
    // The renderer died; the pane is loading its last page again.
    void rendererRestarted();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void installPage();
    void showNew();
    void request();
    void replacePage();
    void reshow();
    void watchdogFired();
    void sendProbe(qint64 pid);
    bool probeOverdue() const;
    void onLoadFinished(bool ok);
    void onRendererGone(int status);

    QWebEnginePage *m_page = nullptr;
    // What the pane was last asked to show: the page file, or a message.
    QUrl m_url;
    QString m_html;
    qint64 m_pageBytes = 0;

    QTimer m_watchdog;
    quint64 m_probe = 0;
    quint64 m_answered = 0;
    qint64 m_probePid = 0;
    QElapsedTimer m_probeSent;
    qint64 m_probeWaitMs = 0;
    qint64 m_warmPid = 0;
    quint64 m_loadsDone = 0;
    quint64 m_loadsAtProbe = 0;
    bool m_probing = false;
    bool m_pending = false;
    // Fresh starts since the pane last finished a load or got new content;
    // each one gives the renderer longer, so a page that is merely slow
    // (megabytes of text) is not taken for a stuck one over and over.
    int m_strikes = 0;
    int m_silentProbes = 0;
    int m_looksLeft = 0;
    int m_crashesInARow = 0;
    bool m_reshowOnShow = false;
    int m_pagesReplaced = 0;
    int m_crashReloads = 0;
};

// Starts the preview's engine before the first pane needs it: the browser
// context, the panes' profile and a first renderer, through a throwaway page
// that shows about:blank and never touches the scratch page. The caller
// deletes the page (before the application object goes).
QWebEnginePage *warmUpPreviewEngine();

} // namespace quorvel
