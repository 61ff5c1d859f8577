// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewpane.h"

#include "pagechannel.h"
#include "ui/overlaylabel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QWebEngineScript>
#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

Q_LOGGING_CATEGORY(lcPreview, "quorvel.preview", QtInfoMsg)

namespace quorvel {

namespace {

// Pages larger than this are shown without following the edit into a new
// document: the text the documents pass along and compare grows with the
// page. (A change made in place knows its nodes, whatever the size.)
constexpr qsizetype kFollowMaxBytes = 64 * 1024;

// Pages larger than this always get a new document: a document that takes
// changes in place is sent the whole page once, keeps a copy of it and
// parses all of it at each change. The limit bounds what a renderer holds
// for that (a 10 MB paste is shown by a load).
constexpr qsizetype kInPlaceMaxBytes = 2 * 1024 * 1024;

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

PreviewPane::PreviewPane(QWidget *parent)
    : QWebEngineView(parent)
    , m_policy(steadyMs)
    , m_channel(new PageChannel)
{
    m_channel->setParent(this);
    m_channel->onDocumentReady = [this] { return documentReady(); };
    m_channel->onDocumentShown = [this](const QVariantMap &r) { documentComplete(r); };
    m_channel->onChanged = [this](double serial, const QVariantMap &r) {
        changed(qint64(serial), r);
    };
    setContextMenuPolicy(Qt::NoContextMenu);
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this,
            [this] { carryOut(m_policy.tick(page()->renderProcessPid() > 0)); });
    connect(qApp, &QApplication::focusChanged, this, &PreviewPane::keepFocus);

    // The note lies over the page's bottom edge, where a beginner's short
    // page has nothing.
    m_note = overlayLabel(this, QStringLiteral("pageNote"));
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
    auto *fresh = new PreviewPage(
        m_channel, [this](PageAct act, const QString &text) { pageActed(act, text); }, this);
    connect(fresh, &QWebEnginePage::loadFinished, this,
            [this](bool ok) { m_policy.loadFinished(ok); });
    // The learner followed a link: the next change loads the page again.
    connect(fresh, &QWebEnginePage::urlChanged, this, [this](const QUrl &url) {
        if (url.adjusted(QUrl::RemoveFragment) != m_url)
            m_inPlace = false;
    });
    connect(fresh, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                qCWarning(lcPreview, "renderer gone (status %d, code %d); loading the page again",
                          int(status), code);
                m_inPlace = false;
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
    m_inPlace = false;
}

void PreviewPane::Navigate(const QString &path, const QByteArray &content)
{
    m_url = QUrl::fromLocalFile(path);
    m_content = content;
    m_html.clear();
    m_problem.clear();
    ++m_serial;
    m_noteFromOldPage = true;
    carryOut(m_policy.contentRequested(content.size()));
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
    m_content.clear();
    m_html = QStringLiteral("<!DOCTYPE html><title>The preview could not be saved</title>"
                            "<body style='font:13px sans-serif;color:#800'>"
                            "<p><b>The preview could not be saved.</b></p>"
                            "<p>%1<br>%2</p><p>Your text is safe in the editor; the next change "
                            "tries again.</p></body>")
                 .arg(path.toHtmlEscaped(), reason.toHtmlEscaped());
    ++m_serial;
    m_inPlace = false;
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

// The document on view takes the change in place if it can; else a new
// document loads the page.
void PreviewPane::showContent()
{
    if (std::exchange(m_letGo, false))
        page()->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    if (m_inPlace && m_html.isEmpty() && m_content.size() <= kInPlaceMaxBytes) {
        // Only what differs from the page sent before crosses.
        const char *was = m_sent.constData();
        const char *now = m_content.constData();
        const qsizetype shorter = std::min(m_sent.size(), m_content.size());
        qsizetype start = 0;
        while (start < shorter && was[start] == now[start])
            ++start;
        qsizetype end = 0;
        while (end < shorter - start &&
               was[m_sent.size() - 1 - end] == now[m_content.size() - 1 - end])
            ++end;
        emit m_channel->change(
            double(m_serial), double(m_sentSerial), double(start),
            double(m_sent.size() - start - end),
            QString::fromLatin1(m_content.mid(start, m_content.size() - start - end)));
        m_sentSerial = m_serial;
        m_sent = m_content;
        return;
    }
    m_inPlace = false;
    m_loadedSerial = m_serial;
    ++m_newDocuments;
    if (m_html.isEmpty())
        load(m_url);
    else
        setHtml(m_html, m_url);
}

// The latest page went to a document that is no longer on view: a new one
// loads it, as for any new content.
void PreviewPane::loadAgain()
{
    m_inPlace = false;
    carryOut(m_policy.contentRequested(m_html.isEmpty() ? m_content.size() : 0));
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

QVariantMap PreviewPane::documentReady() const
{
    QVariantMap before = m_followed;
    before[QStringLiteral("following")] = m_html.isEmpty() && m_content.size() <= kFollowMaxBytes;
    const bool changeable = m_html.isEmpty() && m_content.size() <= kInPlaceMaxBytes;
    return {{QStringLiteral("before"), before},
            {QStringLiteral("serial"), double(m_serial)},
            {QStringLiteral("source"),
             changeable ? QVariant(QString::fromLatin1(m_content)) : QVariant()},
            {QStringLiteral("followLimit"), double(kFollowMaxBytes)}};
}

// A new document is complete, has followed the edit, and says whether it
// holds the latest page.
void PreviewPane::documentComplete(const QVariantMap &report)
{
    followed(report);
    const bool holdsLatest = report.value(QStringLiteral("holds")).toBool() &&
                             qint64(report.value(QStringLiteral("serial")).toDouble()) == m_serial;
    if (holdsLatest) {
        m_inPlace = true;
        m_sentSerial = m_serial;
        m_sent = m_content;
    } else if (m_loadedSerial < m_serial)
        // The latest page was changed in place into a document this one
        // has since replaced (a load still under way from before).
        loadAgain();
    emit documentShown(holdsLatest);
}

void PreviewPane::changed(qint64 serial, const QVariantMap &report)
{
    // A new document has been asked for since: it shows what this was.
    if (m_loadedSerial >= serial)
        return;
    if (report.value(QStringLiteral("done")).toBool()) {
        if (serial != m_serial)
            return;
        m_inPlace = true;
        if (m_noteFromOldPage)
            takeNoteAway();
        emit changedInPlace();
        return;
    }
    if (report.contains(QStringLiteral("text")))
        followed(report);
    m_inPlace = false;
    if (serial == m_serial)
        loadAgain();
}

// What the document on view showed, for the next new one to compare with.
// A new page that has said nothing takes the old page's note away.
void PreviewPane::followed(const QVariantMap &state)
{
    m_followed.clear();
    for (const char *key : {"text", "first", "last"})
        m_followed.insert(QLatin1String(key), state.value(QLatin1String(key)));
    if (m_noteFromOldPage)
        takeNoteAway();
}

void PreviewPane::takeNoteAway()
{
    m_noteDue.stop();
    m_note->hide();
    m_noteCount = 0;
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
                m_inPlace = m_inPlace && !m_letGo;
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

} // namespace quorvel
