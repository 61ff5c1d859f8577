// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewpane.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <functional>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

Q_LOGGING_CATEGORY(lcPreview, "quorvel.preview", QtInfoMsg)
// What the learner's page writes to its console is the page's business: it
// is kept from standard error unless QT_LOGGING_RULES asks for
// quorvel.page.info.
Q_LOGGING_CATEGORY(lcPage, "quorvel.page", QtWarningMsg)

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

// The learner's page. Whatever it does, no window but the course's screens
// ever opens and nothing waits for the learner: the engine's own dialogs are
// modal to the whole program and come back at every key (each key loads the
// page again), so the page's questions are answered here, as Cancel would,
// and reported to the pane.
class PreviewPage final : public QWebEnginePage {
public:
    using Report = std::function<void(PreviewPane::PageAct, const QString &)>;

    PreviewPage(QObject *parent, Report report)
        : QWebEnginePage(previewProfile(), parent)
        , m_report(std::move(report))
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
        // Only the pane opens local pages. One the page opens itself (a link
        // to a file beside it, a refresh of itself) the engine would refuse
        // with a message that the learner's own page is unreadable.
        if (url.isLocalFile() && isMainFrame && type != NavigationTypeTyped &&
            type != NavigationTypeBackForward) {
            m_report(PreviewPane::PageAct::LocalPage, QFileInfo(url.toLocalFile()).fileName());
            return false;
        }
        return true;
    }

    // A link that asks for a new window opens in the pane itself.
    QWebEnginePage *createWindow(WebWindowType) override { return this; }

    void javaScriptAlert(const QUrl &, const QString &message) override
    {
        m_report(PreviewPane::PageAct::Alert, message);
    }

    bool javaScriptConfirm(const QUrl &, const QString &message) override
    {
        // The engine asks here too whether to leave a page that asks before
        // it is left; the preview always leaves it.
        static const QString leave = QCoreApplication::translate(
            "QWebEnginePage",
            "Are you sure you want to leave this page? Changes that you made may not be saved.");
        if (message == leave)
            return true;
        m_report(PreviewPane::PageAct::Confirm, message);
        return false;
    }

    bool javaScriptPrompt(const QUrl &, const QString &message, const QString &, QString *) override
    {
        m_report(PreviewPane::PageAct::Prompt, message);
        return false;
    }

    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override
    {
        m_report(PreviewPane::PageAct::FileChooser, {});
        return {};
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int line,
                                  const QString &source) override
    {
        qCInfo(lcPage, "%s:%d: %s", qPrintable(source), line, qPrintable(message));
    }

private:
    Report m_report;
};

// The preview's own script (followedit.js), after Qt's channel library: both
// run in every document of the page, in the pane's own script world, from the
// moment the document is made. Installed once with the page and never
// changed, so no document can miss it.
QWebEngineScript previewScript()
{
    static const QString source = [] {
        QString all;
        for (const char *name : {":/qtwebchannel/qwebchannel.js", ":/preview/followedit.js"}) {
            QFile f(QString::fromLatin1(name));
            if (!f.open(QIODevice::ReadOnly))
                qFatal("the preview's script %s is missing", name);
            all += QString::fromUtf8(f.readAll()) + u'\n';
        }
        return all;
    }();
    QWebEngineScript script;
    script.setName(QStringLiteral("quorvel-preview"));
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

// Pages larger than this are shown without following the edit: the text
// passed along and compared grows with the page.
constexpr qint64 kFollowMaxBytes = 64 * 1024;

// What a page says is shown up to this many characters.
constexpr qsizetype kNoteMaxChars = 200;

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

// The pane as its documents reach it: an object on each page's web channel,
// in the pane's own script world. Each document asks, once complete, what
// the document before it showed, and tells what it shows.
class PaneChannel final : public QObject {
    Q_OBJECT

public:
    std::function<QVariantMap()> documentReadyHandler;
    std::function<void(const QVariantMap &)> followedHandler;

public slots:
    QVariantMap documentReady() { return documentReadyHandler(); }
    void followed(const QVariantMap &state) { followedHandler(state); }
};

PreviewPane::PreviewPane(QWidget *parent)
    : QWebEngineView(parent)
    , m_policy(steadyMs)
    , m_channel(new PaneChannel)
{
    m_channel->setParent(this);
    m_channel->documentReadyHandler = [this] {
        QVariantMap before = m_followed;
        before[QStringLiteral("following")] = m_html.isEmpty() && m_pageBytes <= kFollowMaxBytes;
        return before;
    };
    m_channel->followedHandler = [this](const QVariantMap &state) { followed(state); };
    setContextMenuPolicy(Qt::NoContextMenu);
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this,
            [this] { carryOut(m_policy.tick(page()->renderProcessPid() > 0)); });
    connect(qApp, &QApplication::focusChanged, this, &PreviewPane::keepFocus);

    // The note lies over the page's bottom edge, where a beginner's short
    // page has nothing; it never takes the focus, and clicks go through it
    // to the page.
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("pageNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setFocusPolicy(Qt::NoFocus);
    m_note->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_note->setAutoFillBackground(true);
    m_note->setBackgroundRole(QPalette::ToolTipBase);
    m_note->setForegroundRole(QPalette::ToolTipText);
    m_note->setMargin(3);
    m_note->hide();
    // A page that says something in a loop says it thousands of times a
    // second; the note follows at a pace the eye can read.
    m_noteDue.setSingleShot(true);
    connect(&m_noteDue, &QTimer::timeout, this, &PreviewPane::showNote);
    installPage();
}

PreviewPane::~PreviewPane()
{
    // The page must go before the view it draws into.
    delete page();
}

void PreviewPane::installPage()
{
    auto *fresh =
        new PreviewPage(this, [this](PageAct act, const QString &text) { pageActed(act, text); });
    fresh->scripts().insert(previewScript());
    auto *channel = new QWebChannel(fresh);
    channel->registerObject(QStringLiteral("pane"), m_channel);
    fresh->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    connect(fresh, &QWebEnginePage::loadFinished, this,
            [this](bool ok) { m_policy.loadFinished(ok); });
    connect(fresh, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                qCWarning(lcPreview, "renderer gone (status %d, code %d); loading the page again",
                          int(status), code);
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
    m_noteFromOldPage = true;
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
    m_noteFromOldPage = true;
    carryOut(m_policy.contentRequested(0));
}

QString PreviewPane::note() const
{
    return m_note->isVisible() ? m_note->text() : QString();
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
        ask(m_policy.question());
    if (v.wakeInMs >= 0)
        m_wake.start(v.wakeInMs);
}

void PreviewPane::showContent()
{
    if (std::exchange(m_letGo, false))
        page()->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    if (m_html.isEmpty())
        load(m_url);
    else
        setHtml(m_html, m_url);
}

// Asks the renderer whether it is there, and whether the document on view is
// complete (the engine reports one finished load for loads that overlap).
void PreviewPane::ask(quint64 question)
{
    page()->runJavaScript(QStringLiteral("document.readyState === 'complete'"),
                          QWebEngineScript::ApplicationWorld,
                          [self = QPointer(this), question](const QVariant &complete) {
                              if (self)
                                  self->m_policy.answered(question, complete.toBool());
                          });
}

// A new document has followed the edit and shown itself.
void PreviewPane::followed(const QVariantMap &state)
{
    m_followed = state;
    // A new page that has said nothing takes the old page's note away.
    if (m_noteFromOldPage) {
        m_noteDue.stop();
        m_note->hide();
        m_noteCount = 0;
    }
}

void PreviewPane::pageActed(PageAct act, const QString &text)
{
    if (std::exchange(m_noteFromOldPage, false))
        m_noteCount = 0;
    ++m_noteCount;
    const QString said = text.simplified().left(kNoteMaxChars);
    switch (act) {
    case PageAct::Alert:
        m_noteText = tr("The page says: %1").arg(said);
        break;
    case PageAct::Confirm:
    case PageAct::Prompt:
        m_noteText = tr("The page asks: %1 (the preview answers Cancel)").arg(said);
        break;
    case PageAct::FileChooser:
        m_noteText = tr("The page asks for a file from your computer; the preview gives it none.");
        break;
    case PageAct::LocalPage:
        m_noteText =
            tr("The page tried to open %1, a file on your computer, which the preview does not "
               "allow.")
                .arg(said);
        break;
    }
    if (!m_noteDue.isActive())
        m_noteDue.start(m_note->isVisible() ? 100 : 0);
}

void PreviewPane::showNote()
{
    m_note->setText(m_noteCount > 1 ? tr("%1 (%2 times)").arg(m_noteText).arg(m_noteCount)
                                    : m_noteText);
    placeNote();
    m_note->show();
    m_note->raise();
}

void PreviewPane::placeNote()
{
    const int h = m_note->heightForWidth(width());
    m_note->setGeometry(0, height() - h, width(), h);
}

void PreviewPane::resizeEvent(QResizeEvent *event)
{
    QWebEngineView::resizeEvent(event);
    placeNote();
}

bool PreviewPane::event(QEvent *event)
{
    // The engine makes a focus child for each page and renderer; the pane
    // watches each one's focus, and keeps the note above it.
    if (event->type() == QEvent::ChildAdded) {
        static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        if (m_note)
            QMetaObject::invokeMethod(m_note, &QWidget::raise, Qt::QueuedConnection);
    }
    eventFilter(this, event);
    if (event->type() == QEvent::Show && std::exchange(m_letGo, false))
        page()->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    const bool handled = QWebEngineView::event(event);
    if (event->type() == QEvent::Show) {
        carryOut(m_policy.shown());
    } else if (event->type() == QEvent::Hide) {
        carryOut(m_policy.hidden());
        // The learner goes forward only: a hidden screen's page has nobody
        // to show it to, and its renderer process goes with it (left alone,
        // it works on for seconds after the screen is left). Shown again,
        // the page loads once more.
        QTimer::singleShot(0, this, [this] {
            if (!isVisible() &&
                page()->lifecycleState() != QWebEnginePage::LifecycleState::Discarded) {
                page()->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
                m_letGo = page()->lifecycleState() == QWebEnginePage::LifecycleState::Discarded;
            }
        });
    }
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

#include "previewpane.moc"
