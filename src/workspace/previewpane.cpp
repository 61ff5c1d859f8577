// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewpane.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

Q_LOGGING_CATEGORY(lcPreview, "quorvel.preview", QtInfoMsg)

namespace quorvel {

namespace {

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
        const bool web =
            url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
        if (web && isMainFrame && type == NavigationTypeLinkClicked && this->url().isLocalFile()) {
            QMetaObject::invokeMethod(this, [this, url] { load(url); }, Qt::QueuedConnection);
            return false;
        }
        return true;
    }

    // A link that asks for a new window opens in the pane itself.
    QWebEnginePage *createWindow(WebWindowType) override { return this; }
};

// The script that follows the edit (followedit.js), run in the pane's own
// script world once a page has loaded, with the text the pane showed before
// as its argument: nothing the page's own scripts can see or change carries
// it. (Installed among the page's scripts instead, it had to be replaced for
// every page, and that now and then kept the last page of a burst of keys
// from running its scripts at all.)
QString followEditSource(const QString &previous)
{
    static const QString body = [] {
        QFile f(QStringLiteral(":/workspace/followedit.js"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }();
    const QByteArray arg = QJsonDocument(QJsonArray{previous}).toJson(QJsonDocument::Compact);
    return body + QStringLiteral("(") + QString::fromUtf8(arg) + QStringLiteral("[0]);");
}

// Pages larger than this are shown without following the edit.
constexpr qint64 kFollowMaxBytes = 64 * 1024;

qint64 steadyMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWebEngineView(parent)
    , m_policy(steadyMs)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this,
            [this] { carryOut(m_policy.tick(page()->renderProcessPid() > 0)); });
    connect(qApp, &QApplication::focusChanged, this, &PreviewPane::keepFocus);
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
    connect(fresh, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_policy.loadFinished(ok);
        // The page brings the place the learner changed into view, and
        // answers with the text it shows, for the next page to compare.
        // Passing the text along and comparing it costs time in proportion
        // to the page: a big page (a long paste, as a rule) is not followed.
        if (!ok || m_pageBytes > kFollowMaxBytes)
            m_shownText.clear();
        else
            page()->runJavaScript(followEditSource(m_shownText), QWebEngineScript::ApplicationWorld,
                                  [self = QPointer(this)](const QVariant &v) {
                                      if (self)
                                          self->m_shownText = v.toString();
                                  });
    });
    connect(fresh, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                qCWarning(lcPreview, "renderer gone (status %d, code %d); loading the page again",
                          int(status), code);
                ++m_crashReloads;
                emit rendererRestarted();
                // Not from inside the engine's own notification.
                const PaneVerdict v = m_policy.rendererGone();
                QTimer::singleShot(v.showInMs, this, [this, v] {
                    if (v.show)
                        carryOut(m_policy.reloadDue());
                });
            });
    // The view lets go of a page it did not make without deleting it; the
    // old one goes here, and with it everything the engine kept for it.
    QWebEnginePage *old = std::exchange(m_page, fresh);
    setPage(fresh);
    delete old;
}

void PreviewPane::Navigate(const QString &path)
{
    m_url = QUrl::fromLocalFile(path);
    m_html.clear();
    m_problem.clear();
    m_pageBytes = QFileInfo(path).size();
    carryOut(m_policy.contentRequested(m_pageBytes));
}

void PreviewPane::showProblem(const QString &path, const QString &reason)
{
    // Said once per fault, not at every key while it lasts.
    if (std::exchange(m_problem, reason) != reason)
        qCWarning(lcPreview, "page %s could not be written: %s", qPrintable(path),
                  qPrintable(reason));
    // Loaded under the page's own address: it stays in the page's renderer,
    // and it is the page the pane reports, never about:blank.
    m_url = QUrl::fromLocalFile(path);
    m_html = QStringLiteral("<!DOCTYPE html><title>The preview could not be saved</title>"
                            "<body style='font:13px sans-serif;color:#800'>"
                            "<p><b>The preview could not be saved.</b></p>"
                            "<p>%1<br>%2</p><p>Your text is safe in the editor; the next change "
                            "tries again.</p></body>")
                 .arg(path.toHtmlEscaped(), reason.toHtmlEscaped());
    m_pageBytes = 0;
    carryOut(m_policy.contentRequested(0));
}

void PreviewPane::carryOut(const PaneVerdict &v)
{
    if (v.replacePage) {
        qCInfo(lcPreview, "page replaced: %s", v.why);
        ++m_pagesReplaced;
#ifdef Q_OS_UNIX
        // The engine keeps a renderer that never answers running after its
        // page is gone, spinning a processor for the rest of the run. It goes
        // before the fresh page exists, so that page cannot be handed it.
        page()->disconnect(this);
        if (const qint64 stuck = page()->renderProcessPid(); stuck > 0)
            ::kill(static_cast<pid_t>(stuck), SIGKILL);
#endif
        installPage();
        emit pageReplaced();
    }
    if (v.show && (!m_url.isEmpty() || !m_html.isEmpty()))
        showContent();
    if (v.ask)
        page()->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                              [self = QPointer(this), q = m_policy.question()](const QVariant &) {
                                  if (self)
                                      self->m_policy.answered(q);
                              });
    if (v.wakeInMs >= 0)
        m_wake.start(v.wakeInMs);
}

void PreviewPane::showContent()
{
    if (m_html.isEmpty())
        load(m_url);
    else
        setHtml(m_html, m_url);
}

bool PreviewPane::event(QEvent *event)
{
    // The engine makes a focus child for each page and renderer; the pane
    // watches each one's focus.
    if (event->type() == QEvent::ChildAdded)
        static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
    eventFilter(this, event);
    const bool handled = QWebEngineView::event(event);
    if (event->type() == QEvent::Show)
        carryOut(m_policy.shown());
    else if (event->type() == QEvent::Hide)
        carryOut(m_policy.hidden());
    return handled;
}

bool PreviewPane::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason r = static_cast<QFocusEvent *>(event)->reason();
        m_focusByLearner = r == Qt::MouseFocusReason || r == Qt::TabFocusReason ||
                           r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason ||
                           r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void PreviewPane::keepFocus(QWidget *old, QWidget *now)
{
    // The engine focuses the view when a renderer comes back after a crash,
    // and a new page's focus child can take it too. Unless the learner moved
    // it, the focus goes back to where it was.
    const auto inPane = [this](QWidget *w) { return w && (w == this || isAncestorOf(w)); };
    if (!inPane(now))
        return;
    if (m_focusByLearner) {
        m_focusOwner = nullptr;
        return;
    }
    if (old && !inPane(old))
        m_focusOwner = old;
    if (m_focusOwner)
        QMetaObject::invokeMethod(
            m_focusOwner,
            [w = m_focusOwner] {
                if (w)
                    w->setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
}

QWebEnginePage *warmUpPreviewEngine()
{
    auto *page = new QWebEnginePage(previewProfile());
    page->load(QUrl(QStringLiteral("about:blank")));
    return page;
}

} // namespace quorvel
