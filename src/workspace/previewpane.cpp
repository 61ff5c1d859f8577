#include "previewpane.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <algorithm>
#include <limits>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

namespace quorvel {

namespace {

// How long a load may run before the pane asks the renderer whether it is
// still there, and how long the renderer then has to answer (doubled after
// each fresh start that did not help, up to 32 times).
constexpr int kLoadGraceMs = 150;
constexpr int kProbeTimeoutMs = 400;
constexpr int kFreshProbeTimeoutMs = 1500;
constexpr qint64 kProbeMsPerMiB = 4000;
constexpr int kMaxBackoff = 5;
constexpr int kLooksPerRequest = 5;
// After the renderer died twice without a finished load in between, the
// pane waits this long (doubling, up to a minute) before it loads again, so a
// page that kills its renderer every time does not keep the engine busy.
constexpr int kCrashRetryMs = 1000;
constexpr int kCrashRetryMaxMs = 60000;

// One in-memory profile for every pane: nothing the pages do is kept on disk.
//
// Each pane's page gets a renderer process of its own (the engine's default
// for separate pages), so a learner's script that never ends stops only that
// pane, and a fresh page is a fresh process. Startup code must not switch the
// engine to a single or shared renderer process.
QWebEngineProfile *previewProfile()
{
    static QWebEngineProfile *profile = [] {
        auto *p = new QWebEngineProfile(QCoreApplication::instance());
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        QWebEngineSettings *s = p->settings();
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
        return p;
    }();
    return profile;
}

class PreviewPage final : public QWebEnginePage {
public:
    explicit PreviewPage(QObject *parent)
        : QWebEnginePage(previewProfile(), parent)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (url.scheme() == QLatin1String("mailto")) {
            QDesktopServices::openUrl(url);
            return false;
        }
        // The learner's page is local, and local pages may not reach the web,
        // so a web link the learner clicks is followed by the pane itself,
        // as the browser's own navigation.
        const bool web = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
        if (web && isMainFrame && type == NavigationTypeLinkClicked
            && this->url().isLocalFile()) {
            QMetaObject::invokeMethod(
                this, [this, url] { load(url); }, Qt::QueuedConnection);
            return false;
        }
        return true;
    }

    // A link that asks for a new window opens in the pane itself.
    QWebEnginePage *createWindow(WebWindowType) override { return this; }
};

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWebEngineView(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &PreviewPane::watchdogFired);
    installPage();
}

PreviewPane::~PreviewPane()
{
    // The page must go before the view it draws into.
    delete page();
}

void PreviewPane::installPage()
{
    auto *fresh = new PreviewPage(this);
    connect(fresh, &QWebEnginePage::loadFinished, this, &PreviewPane::onLoadFinished);
    connect(fresh, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                onRendererGone(status);
            });
    // The view lets go of a page it did not make without deleting it; the
    // old one goes here, and with it everything the engine kept for it.
    QWebEnginePage *old = std::exchange(m_page, fresh);
    setPage(fresh);
    delete old;
    m_pending = false;
}

void PreviewPane::Navigate(const QString &path)
{
    m_url = QUrl::fromLocalFile(path);
    m_html.clear();
    m_pageBytes = QFileInfo(path).size();
    showNew();
}

void PreviewPane::showProblem(const QString &path, const QString &reason)
{
    m_html = QStringLiteral("<!DOCTYPE html><html><body style='font:13px sans-serif;color:#800'>"
                            "<p><b>The preview could not be saved.</b></p>"
                            "<p>%1<br>%2</p><p>Your text is safe in the editor; the next change "
                            "tries again.</p></body></html>")
                 .arg(path.toHtmlEscaped(), reason.toHtmlEscaped());
    m_pageBytes = 0;
    showNew();
}

void PreviewPane::showNew()
{
    // A page that has not finished a load since its renderer was last found
    // stuck is as likely stuck again (the same script); new content goes to
    // a fresh one at once rather than after another wait.
    if (m_strikes > 0 || probeOverdue())
        replacePage();
    m_strikes = 0;
    m_crashesInARow = 0;
    m_reshowOnShow = false;
    request();
}

bool PreviewPane::probeOverdue() const
{
    // The renderer was asked once the last requests paused and has let the
    // whole time for an answer go by, with no load finished meanwhile: new
    // content (the learner taking the script out, as a rule) goes to a fresh
    // page at once rather than to a renderer that will not take it.
    return m_probing && m_answered < m_probe && m_loadsDone == m_loadsAtProbe
        && page()->renderProcessPid() == m_probePid
        && (m_silentProbes > 0 || m_probeSent.elapsed() >= m_probeWaitMs);
}

void PreviewPane::request()
{
    m_pending = true;
    if (m_html.isEmpty())
        load(m_url);
    else
        setHtml(m_html);
    // The renderer is asked only once the requests pause: each new page
    // drops the one before, and with it any question still open there.
    m_probing = false;
    m_silentProbes = 0;
    m_looksLeft = kLooksPerRequest;
    m_watchdog.start(kLoadGraceMs);
}

void PreviewPane::replacePage()
{
    ++m_pagesReplaced;
    m_watchdog.stop();
    m_probing = false;
#ifdef Q_OS_UNIX
    // The engine keeps a renderer that never answers running after its page
    // is gone, spinning a processor for the rest of the run; it is ours, and
    // nothing in it is worth keeping. It goes before the fresh page exists,
    // so that page cannot be handed the dying process.
    page()->disconnect(this);
    if (const qint64 stuck = page()->renderProcessPid(); stuck > 0)
        ::kill(static_cast<pid_t>(stuck), SIGKILL);
#endif
    installPage();
    emit pageReplaced();
}

void PreviewPane::reshow()
{
    if (m_url.isEmpty() && m_html.isEmpty())
        return;
    // A hidden pane has nobody to show its page to; it loads when it shows.
    if (!isVisible()) {
        m_reshowOnShow = true;
        return;
    }
    m_reshowOnShow = false;
    request();
}

void PreviewPane::showEvent(QShowEvent *event)
{
    QWebEngineView::showEvent(event);
    if (m_reshowOnShow)
        reshow();
}

void PreviewPane::hideEvent(QHideEvent *event)
{
    QWebEngineView::hideEvent(event);
    // A page found stuck since its last finished load would keep a processor
    // spinning in a screen the learner has left: it goes now, and the pane
    // loads again if it is ever shown. Other hidden pages are left alone; the
    // engine runs them at low priority, so asking them proves little.
    if (m_strikes > 0) {
        replacePage();
        m_reshowOnShow = true;
    }
}

void PreviewPane::watchdogFired()
{
    if (!isVisible()) {
        m_probing = false;
        return;
    }
    const qint64 pid = page()->renderProcessPid();
    const bool loading = m_pending || page()->isLoading();
    if (!m_probing) {
        if (pid <= 0) {
            // No renderer yet (it is still starting, slowly on a busy
            // machine): there is nobody to ask.
            if (loading)
                m_watchdog.start(kLoadGraceMs);
            return;
        }
        // A renderer that runs the page's scripts between parsing steps
        // answers a trivial script quickly; one caught in an endless loop
        // never does. Asked after every change, not only while a load is
        // under way, since a loop may start after its page has loaded (and
        // a load's end can be reported after a newer load began).
        sendProbe(pid);
        return;
    }
    m_probing = false;
    // An answer, a page loaded meanwhile (a probe sent to a page that is then
    // replaced by the next keystroke's is never answered), or a renderer
    // other than the one asked: it moves on.
    if (m_answered >= m_probe || m_loadsDone != m_loadsAtProbe || pid != m_probePid) {
        if (m_answered >= m_probe)
            m_warmPid = pid;
        m_silentProbes = 0;
        // The answer may have come from the page before the one requested
        // (the engine can report a load's end, or no load at all, while the
        // new page has yet to start its scripts): a few more looks after
        // each request, and more for as long as a load runs.
        if (loading || --m_looksLeft > 0)
            m_watchdog.start(kLoadGraceMs);
        return;
    }
    // A renderer flooded with requests can miss one question; a stuck one
    // misses the second as well, given twice the time.
    if (++m_silentProbes < 2) {
        sendProbe(pid);
        return;
    }
    m_silentProbes = 0;
    // A stuck renderer never takes another navigation; only a new page does.
    ++m_strikes;
    replacePage();
    reshow();
}

void PreviewPane::sendProbe(qint64 pid)
{
    // A renderer that runs the page's scripts between parsing steps answers
    // a trivial script quickly; one caught in an endless loop never does.
    // Asked after every change, not only while a load is under way, since a
    // loop may start after its page has loaded (and a load's end can be
    // reported after a newer load began).
    m_probing = true;
    m_probePid = pid;
    m_loadsAtProbe = m_loadsDone;
    const quint64 id = ++m_probe;
    page()->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [self = QPointer<PreviewPane>(this), id](const QVariant &) {
                              if (self)
                                  self->m_answered = std::max(self->m_answered, id);
                          });
    // A renderer that has not shown a page yet is still warming up. A big
    // page keeps its renderer busy in long stretches (laying out megabytes
    // of text is one task), so it gets time in proportion.
    const qint64 base = pid == m_warmPid ? kProbeTimeoutMs : kFreshProbeTimeoutMs;
    const qint64 wait = base + m_pageBytes * kProbeMsPerMiB / (1024 * 1024);
    const int shift = std::min(m_strikes + m_silentProbes, kMaxBackoff);
    m_probeSent.start();
    m_probeWaitMs = std::min<qint64>(wait << shift, std::numeric_limits<int>::max());
    m_watchdog.start(static_cast<int>(m_probeWaitMs));
}

void PreviewPane::onLoadFinished(bool ok)
{
    m_pending = false;
    // A renderer that dies also ends its load, unsuccessfully.
    if (!ok)
        return;
    ++m_loadsDone;
    m_strikes = 0;
    m_crashesInARow = 0;
    m_warmPid = page()->renderProcessPid();
}

void PreviewPane::onRendererGone(int status)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    m_pending = false;
    ++m_crashReloads;
    const int delay = m_crashesInARow == 0
        ? 0
        : std::min(kCrashRetryMaxMs, kCrashRetryMs << std::min(m_crashesInARow - 1, 6));
    ++m_crashesInARow;
    emit rendererRestarted();
    // The next load starts a new renderer; not from inside the engine's own
    // notification, though.
    QTimer::singleShot(delay, this, &PreviewPane::reshow);
}

QWebEnginePage *warmUpPreviewEngine()
{
    auto *page = new QWebEnginePage(previewProfile());
    page->load(QUrl(QStringLiteral("about:blank")));
    return page;
}

} // namespace quorvel
