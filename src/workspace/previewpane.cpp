#include "previewpane.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace quorvel {

namespace {

// One in-memory profile for every pane: nothing the pages do is kept on disk.
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
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        if (url.scheme() == QLatin1String("mailto")) {
            QDesktopServices::openUrl(url);
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
    setPage(new PreviewPage(this));
    setContextMenuPolicy(Qt::NoContextMenu);
}

PreviewPane::~PreviewPane()
{
    // The page must go before the view it draws into.
    delete page();
}

void PreviewPane::Navigate(const QString &path) { load(QUrl::fromLocalFile(path)); }

void PreviewPane::showProblem(const QString &path, const QString &reason)
{
    const QString html = QStringLiteral(
                             "<!DOCTYPE html><html><body style='font:13px sans-serif;color:#800'>"
                             "<p><b>The preview could not be saved.</b></p>"
                             "<p>%1<br>%2</p><p>Your text is safe in the editor; the next change "
                             "tries again.</p></body></html>")
                             .arg(path.toHtmlEscaped(), reason.toHtmlEscaped());
    setHtml(html);
}

QWebEnginePage *warmUpPreviewEngine()
{
    auto *page = new QWebEnginePage(previewProfile());
    page->load(QUrl(QStringLiteral("about:blank")));
    return page;
}

} // namespace quorvel
