// The preview pipeline of a workspace screen: its load sequence, one whole
// rewrite of the page per change of the editor, and what the real browser
// engine then shows.
#include "app/screenregistry.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

using namespace quorvel;
using quorvel::testing::kPageTimeoutMs;
using quorvel::testing::readFile;
using quorvel::testing::shownText;
using Run = quorvel::testing::CourseRun;

// Records the mail links the pane hands to the system instead of following them.
class MailCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestPipeline final : public QObject {
    Q_OBJECT

private slots:
    void load_replacesAnOldPageWithTheEmptyEditor() {
        const QString page = scratch::defaultPath();
        QFile old(page);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("<h1>left from an earlier run</h1>");
        old.close();

        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QCOMPARE(s->text(), QString());
        QCOMPARE(readFile(page), QByteArray());
        QVERIFY(!s->clockLabel()->text().contains(QStringLiteral("Time")));
        QVERIFY(s->clockTimer()->isActive());
        // Neither the old page nor "Hello" is what the learner is left with.
        QTRY_VERIFY_WITH_TIMEOUT(s->pane()->url() == QUrl::fromLocalFile(page) &&
                                     shownText(s->pane()).isEmpty(),
                                 kPageTimeoutMs);
    }

    void typing_rewritesTheWholePageOncePerKey() {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QTest::keyClick(s->editor(), Qt::Key_A);
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(readFile(s->pagePath()), QByteArray("a"));

        QTest::keyClicks(s->editor(), QStringLiteral("<B>x"));
        QTest::keyClick(s->editor(), Qt::Key_Return);
        QTest::keyClicks(s->editor(), QStringLiteral("y</B>"));
        QCOMPARE(refreshes.size(), 1 + 4 + 1 + 5);
        // Line breaks are CR LF, with none added at the end.
        QCOMPARE(s->text(), QStringLiteral("a<B>x\r\ny</B>"));
        QCOMPARE(readFile(s->pagePath()), QByteArray("a<B>x\r\ny</B>"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("ax y"), kPageTimeoutMs);

        QTest::keyClick(s->editor(), Qt::Key_Backspace);
        QCOMPARE(refreshes.size(), 12);
        QCOMPARE(readFile(s->pagePath()), QByteArray("a<B>x\r\ny</B"));
    }

    void clear_emptiesEditorPageAndPreview() {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1Test);
        auto *clear = s->findChild<QPushButton *>(QStringLiteral("cmdClear"));
        QTest::keyClicks(s->editor(), QStringLiteral("<I>gone</I>"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("gone"), kPageTimeoutMs);

        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        clear->setFocus();
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(s->text(), QString());
        QCOMPARE(QFileInfo(s->pagePath()).size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QString(), kPageTimeoutMs);
        QVERIFY(clear->hasFocus());

        // Clear on an empty editor changes nothing and breaks nothing.
        clear->click();
        QCOMPARE(QFileInfo(s->pagePath()).size(), 0);
        // And the learner can take a Clear back.
        s->editor()->undo();
        QCOMPARE(s->text(), QStringLiteral("<I>gone</I>"));
    }

    void movingOn_newScreenStartsEmpty_oldPaneKeepsItsPage() {
        Run run;
        WorkspaceScreen *one = run.show(ScreenId::Form1);
        QTest::keyClicks(one->editor(), QStringLiteral("first screen"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(one->pane()), QStringLiteral("first screen"),
                                  kPageTimeoutMs);
        one->findChild<QPushButton *>(QStringLiteral("cmdContinue"))->click();

        auto *two = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2);
        QCOMPARE(two->text(), QString());
        QCOMPARE(QFileInfo(two->pagePath()).size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(two->pane()), QString(), kPageTimeoutMs);
        // The hidden screen's pane is not reloaded by the other screen's writes.
        QCOMPARE(shownText(one->pane()), QStringLiteral("first screen"));
        QCOMPARE(one->text(), QStringLiteral("first screen"));
    }

    void links_loadInThePane_mailGoesToTheMailProgram() {
        // A web site of our own on the loopback address stands in for the
        // outside sites the lessons link to.
        QTcpServer site;
        QVERIFY(site.listen(QHostAddress::LocalHost));
        connect(&site, &QTcpServer::newConnection, &site, [&site] {
            QTcpSocket *client = site.nextPendingConnection();
            connect(client, &QTcpSocket::readyRead, client, [client] {
                client->readAll();
                client->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                              "Connection: close\r\nContent-Length: 19\r\n\r\n"
                              "<p>another page</p>");
                client->disconnectFromHost();
            });
        });
        const QString other = QStringLiteral("http://127.0.0.1:%1/").arg(site.serverPort());

        MailCatcher mail;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "open");
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        const QString html = QStringLiteral("<A HREF=mailto: support@example.com> Support </A> "
                                            "<A HREF=\"%1\">next</A>")
                                 .arg(other);
        editor::setText(s->editor(), html);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("Support next"),
                                  kPageTimeoutMs);

        // A real click: the engine hands external links on only for a user's
        // gesture. The pane may still be settling its first frame when the
        // text shows, so a click that lands before it is tried again.
        QVERIFY(QTest::qWaitForWindowExposed(s));
        auto clickLink = [s](int index) {
            const auto box = quorvel::testing::evaluate(
                s->pane(), QStringLiteral("(r => [r.left + r.width / 2, r.top + r.height / 2])"
                                          "(document.links[%1].getBoundingClientRect())")
                               .arg(index));
            if (!box)
                return;
            const QVariantList xy = box->toList();
            QWidget *surface = s->pane()->focusProxy() ? s->pane()->focusProxy() : s->pane();
            QTest::mouseClick(surface, Qt::LeftButton, {},
                              QPoint(int(xy.value(0).toDouble()), int(xy.value(1).toDouble())));
        };
        for (int attempt = 0; attempt < 5 && mail.urls.isEmpty(); ++attempt) {
            clickLink(0);
            (void)quorvel::testing::waitUntil([&mail] { return !mail.urls.isEmpty(); }, 2000);
        }
        QTRY_COMPARE(mail.urls.size(), 1);
        QCOMPARE(mail.urls.first().scheme(), QStringLiteral("mailto"));
        QCOMPARE(s->pane()->url(), QUrl::fromLocalFile(s->pagePath()));

        quorvel::testing::evaluate(s->pane(), QStringLiteral("document.links[1].click()"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("another page"),
                                  kPageTimeoutMs);
        // The next change brings the pane back to the learner's page.
        QTest::keyClick(s->editor(), Qt::Key_Z);
        QTRY_COMPARE_WITH_TIMEOUT(s->pane()->url(), QUrl::fromLocalFile(s->pagePath()),
                                  kPageTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(shownText(s->pane()).endsWith(QLatin1Char('z')), kPageTimeoutMs);
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
};

QUORVEL_TEST_MAIN(TestPipeline)
#include "tst_pipeline.moc"
