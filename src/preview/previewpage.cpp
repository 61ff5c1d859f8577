// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewpage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <utility>

// The scripts are compiled into this static library, whose resource
// initialiser the linker drops unless someone calls it; it lives outside any
// namespace.
static void initPreviewResources()
{
    Q_INIT_RESOURCE(preview);
}

Q_DECLARE_LOGGING_CATEGORY(lcPreview)
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

const QString kScriptName = QStringLiteral("quorvel-preview");

// The preview's own script: Qt's channel library, then ours, as one. It is
// installed once with the page and never changed, so no document can miss
// it (changing a page's scripts while it loads can leave a document
// without them).
QWebEngineScript previewScript()
{
    static const QString source = [] {
        initPreviewResources();
        QString all = QStringLiteral("'use strict';\n");
        for (const char *name : {":/qtwebchannel/qwebchannel.js", ":/preview/followedit.js",
                                 ":/preview/inplace.js", ":/preview/preview.js"}) {
            QFile f(QString::fromLatin1(name));
            if (!f.open(QIODevice::ReadOnly))
                qFatal("the preview's script %s is missing", name);
            all += QString::fromUtf8(f.readAll()) + u'\n';
        }
        // One function's scope: nothing of it lands on the world's window.
        return QStringLiteral("(function () {\n%1})();\n").arg(all);
    }();
    QWebEngineScript script;
    script.setName(kScriptName);
    script.setSourceCode(source);
    // Once the document is parsed: the page's own parse does not wait for it.
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

} // namespace

PreviewPage::PreviewPage(QObject *channelObject, Report report, QObject *parent)
    : QWebEnginePage(previewProfile(), parent)
    , m_report(std::move(report))
{
    scripts().insert(previewScript());
    auto *channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("pane"), channelObject);
    setWebChannel(channel, QWebEngineScript::ApplicationWorld);
}

bool PreviewPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
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
        m_report(PageAct::LocalPage, QFileInfo(url.toLocalFile()).fileName());
        return false;
    }
    return true;
}

// A link that asks for a new window opens in the pane itself.
QWebEnginePage *PreviewPage::createWindow(WebWindowType)
{
    return this;
}

void PreviewPage::javaScriptAlert(const QUrl &, const QString &message)
{
    m_report(PageAct::Alert, message);
}

bool PreviewPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    // The engine asks here too whether to leave a page that asks before
    // it is left; the preview always leaves it.
    static const QString leave = QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
    if (message == leave)
        return true;
    m_report(PageAct::Confirm, message);
    return false;
}

bool PreviewPage::javaScriptPrompt(const QUrl &, const QString &message, const QString &, QString *)
{
    m_report(PageAct::Prompt, message);
    return false;
}

QStringList PreviewPage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    m_report(PageAct::FileChooser, {});
    return {};
}

void PreviewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                           int line, const QString &source)
{
    // The preview's own script says what went wrong in it; what else comes
    // from its world is the engine's word on the learner's markup, which the
    // page's own parse says as well.
    if (!source.endsWith(kScriptName))
        qCInfo(lcPage, "%s:%d: %s", qPrintable(source), line, qPrintable(message));
    else if (message.startsWith(QLatin1String("quorvel: ")))
        qCWarning(lcPreview, "%s", qPrintable(message.mid(9)));
}

QWebEnginePage *warmUpPreviewEngine()
{
    auto *page = new QWebEnginePage(previewProfile());
    page->load(QUrl(QStringLiteral("about:blank")));
    return page;
}

} // namespace quorvel
