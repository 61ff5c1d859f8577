// A workspace screen from the inside, on the real screens with the real
// engine: the load sequence, one whole rewrite of the page per change, Clear,
// the appends and their undo, moving on, links, what hides what on the screen,
// the clock, and a later screen that cannot write the page going on. The
// course's texts and paths are the end-to-end walks' (tests/e2e/walk.sh).
#include "app/screenregistry.h"
#include "testmain.h"
#include "testutil.h"
#include "ui/controltable.h"
#include "workspace/clock.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <clocale>

using namespace quorvel;
using quorvel::testing::kPageTimeoutMs;
using quorvel::testing::readFile;
using quorvel::testing::shownText;
using Run = quorvel::testing::CourseRun;

namespace {

const QRegularExpression kUsForm(QStringLiteral(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M$)"));
const QRegularExpression kGermanForm(QStringLiteral(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$)"));

// The process's LC_TIME for one scope, as a change of the user's regional
// settings would make it (scripts/install-deps.sh test makes both locales).
struct TimeLocale {
    QByteArray previous = std::setlocale(LC_TIME, nullptr);
    bool ok;
    explicit TimeLocale(const char *name) : ok(std::setlocale(LC_TIME, name) != nullptr) {}
    ~TimeLocale() { std::setlocale(LC_TIME, previous.constData()); }
};

QPushButton *button(QWidget *screen, const char *name)
{
    return screen->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

// Records the mail links the pane hands to the system instead of following them.
class MailCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestWorkspace final : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(scratch::defaultPath()); }

    void load_replacesAnOldPageAndStartsTheClock()
    {
        const QString page = scratch::defaultPath();
        QFile old(page);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("<h1>left from an earlier run</h1>");
        old.close();
        TimeLocale us("en_US.UTF-8");
        QVERIFY2(us.ok, "en_US.UTF-8 is missing: run scripts/install-deps.sh test");
        // What lblTime shows at the moment the window first appears.
        QString seen;
        struct Watch : QObject {
            QString *seen;
            bool eventFilter(QObject *o, QEvent *e) override
            {
                if (e->type() == QEvent::Show && o->objectName() == QLatin1String("Form1") && seen->isNull())
                    *seen = o->findChild<QLabel *>(QStringLiteral("lblTime"))->text();
                return false;
            }
        } watch;
        watch.seen = &seen;
        qApp->installEventFilter(&watch);
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        qApp->removeEventFilter(&watch);
        QVERIFY2(kUsForm.match(seen).hasMatch(), qPrintable(seen));
        // The whole text, AM/PM included, fits the label's one visible line.
        QLabel *clock = s->clockLabel();
        QVERIFY(QFontMetricsF(clock->font()).horizontalAdvance(clock->text())
                <= clock->contentsRect().width());
        QVERIFY(s->clockTimer()->isActive());
        QCOMPARE(s->text(), QString());
        QCOMPARE(readFile(page), QByteArray());
        // Neither the old page nor "Hello" is what the learner is left with.
        QTRY_VERIFY_WITH_TIMEOUT(s->pane()->url() == QUrl::fromLocalFile(page)
                                     && shownText(s->pane()).isEmpty(),
                                 kPageTimeoutMs);
    }

    void typing_rewritesTheWholePageOncePerKey()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QTest::keyClicks(s->editor(), QStringLiteral("a<B>x"));
        QTest::keyClick(s->editor(), Qt::Key_Return);
        QTest::keyClicks(s->editor(), QStringLiteral("y</B>"));
        QCOMPARE(refreshes.size(), 5 + 1 + 5);
        // Line breaks are CR LF, with none added at the end.
        QCOMPARE(readFile(s->pagePath()), QByteArray("a<B>x\r\ny</B>"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("ax y"), kPageTimeoutMs);
        QTest::keyClick(s->editor(), Qt::Key_Backspace);
        QCOMPARE(refreshes.size(), 12);
        QCOMPARE(readFile(s->pagePath()), QByteArray("a<B>x\r\ny</B"));
    }

    void clear_emptiesEditorPageAndPreview_andCanBeUndone()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1Test);
        QPushButton *clear = button(s, "cmdClear");
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
        clear->click(); // on an empty editor: nothing breaks
        QCOMPARE(QFileInfo(s->pagePath()).size(), 0);
        s->editor()->undo();
        QCOMPARE(s->text(), QStringLiteral("<I>gone</I>"));
    }

    void appends_goAtTheEndKeepTheLearnersPlaceAndUndoInOneStep_data()
    {
        QTest::addColumn<ScreenId>("screen");
        QTest::addColumn<QString>("name");
        QTest::newRow("Show Me") << ScreenId::Form1 << QStringLiteral("ShowMe2");
        QTest::newRow("Answer, a refresh per line") << ScreenId::Form2Test << QStringLiteral("Command1");
    }

    void appends_goAtTheEndKeepTheLearnersPlaceAndUndoInOneStep()
    {
        QFETCH(ScreenId, screen);
        QFETCH(QString, name);
        Run run;
        WorkspaceScreen *s = run.show(screen);
        QPlainTextEdit *editor = s->editor();
        auto *append = s->findChild<QPushButton *>(name);
        // Each refresh leaves the page as the text then stood: one per
        // Show Me, one per answer line.
        QByteArrayList pages;
        const auto onRefresh = connect(s, &WorkspaceScreen::refreshed, this,
                                       [&] { pages << readFile(s->pagePath()); });
        append->click();
        disconnect(onRefresh);
        const QString added = s->text();
        QStringList steps;
        for (auto end = added.indexOf(u"\r\n"); end >= 0; end = added.indexOf(u"\r\n", end + 2))
            steps << added.left(end + 2);
        if (name != QLatin1String("Command1"))
            steps = QStringList{added};
        QCOMPARE(pages.size(), steps.size());
        for (qsizetype i = 0; i < steps.size(); ++i)
            QCOMPARE(pages.at(i), steps.at(i).toLatin1());

        editor::setText(editor, u"Hello"); // no line break: the append continues the line
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(2);
        editor->setTextCursor(cursor);
        append->click();
        QCOMPARE(editor->textCursor().position(), 2);
        cursor.setPosition(1);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        append->click();
        QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("ell"));
        QCOMPARE(s->text(), "Hello" + added + added);
        QCOMPARE(readFile(s->pagePath()), s->text().toLatin1());
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s->text(), "Hello" + added);
        QCOMPARE(readFile(s->pagePath()), s->text().toLatin1());
    }

    void movingOn_newScreenStartsEmpty_oldPaneKeepsItsPage()
    {
        Run run;
        WorkspaceScreen *one = run.show(ScreenId::Form1);
        QTest::keyClicks(one->editor(), QStringLiteral("first screen"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(one->pane()), QStringLiteral("first screen"), kPageTimeoutMs);
        button(one, "cmdContinue")->click();
        auto *two = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2);
        QVERIFY(two->isVisible() && !one->isVisible());
        QCOMPARE(two->text(), QString());
        QCOMPARE(QFileInfo(two->pagePath()).size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(two->pane()), QString(), kPageTimeoutMs);
        // The hidden screen's pane is not reloaded by the other screen's writes.
        QCOMPARE(shownText(one->pane()), QStringLiteral("first screen"));
        QCOMPARE(one->text(), QStringLiteral("first screen"));
    }

    void laterScreenCannotCreateThePage_goesOn()
    {
        Run run;
        run.show(ScreenId::Form1);
        // Something other than a file takes the page's place before Lesson 2 loads.
        const QString page = scratch::defaultPath();
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        run.button(ScreenId::Form1, QStringLiteral("cmdContinue"))->click();
        auto *form2 = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2);
        QVERIFY(form2->isVisible());
        QVERIFY(!run.endedWith && run.fatalMessages.isEmpty());
        QVERIFY(form2->pageWriteFailed());
        QTRY_VERIFY_WITH_TIMEOUT(shownText(form2->pane()).contains(QStringLiteral("could not be saved")),
                                 kPageTimeoutMs);
        QVERIFY(QDir(page).removeRecursively());
        QTest::keyClicks(form2->editor(), QStringLiteral("back"));
        QVERIFY(!form2->pageWriteFailed());
        QCOMPARE(readFile(page), QByteArray("back"));
    }

    void links_loadInThePane_mailGoesToTheMailProgram()
    {
        // A web site of our own on the loopback address stands in for the
        // outside sites the lessons link to.
        QTcpServer site;
        QVERIFY(site.listen(QHostAddress::LocalHost));
        connect(&site, &QTcpServer::newConnection, &site, [&site] {
            QTcpSocket *client = site.nextPendingConnection();
            connect(client, &QTcpSocket::readyRead, client, [client] {
                client->readAll();
                client->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                              "Content-Length: 19\r\n\r\n<p>another page</p>");
                client->disconnectFromHost();
            });
        });
        MailCatcher mail;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "open");
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        editor::setText(s->editor(), QStringLiteral("<A HREF=mailto: support@example.com> Support </A> "
                                                    "<A HREF=\"http://127.0.0.1:%1/\">next</A>")
                                         .arg(site.serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("Support next"), kPageTimeoutMs);

        // A real click: the engine hands external links on only for a user's
        // gesture. The pane may still be settling its first frame when the
        // text shows, so a click that lands before it is tried again.
        QVERIFY(QTest::qWaitForWindowExposed(s));
        for (int attempt = 0; attempt < 5 && mail.urls.isEmpty(); ++attempt) {
            const auto box = quorvel::testing::evaluate(
                s->pane(), QStringLiteral("(r => [r.left + r.width / 2, r.top + r.height / 2])"
                                          "(document.links[0].getBoundingClientRect())"));
            const QVariantList xy = box.value_or(QVariant()).toList();
            QWidget *surface = s->pane()->focusProxy() ? s->pane()->focusProxy() : s->pane();
            QTest::mouseClick(surface, Qt::LeftButton, {},
                              QPoint(int(xy.value(0).toDouble()), int(xy.value(1).toDouble())));
            (void)quorvel::testing::waitUntil([&mail] { return !mail.urls.isEmpty(); }, 2000);
        }
        QTRY_COMPARE(mail.urls.size(), 1);
        QCOMPARE(mail.urls.first().scheme(), QStringLiteral("mailto"));
        QCOMPARE(s->pane()->url(), QUrl::fromLocalFile(s->pagePath()));

        quorvel::testing::evaluate(s->pane(), QStringLiteral("document.links[1].click()"));
        QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("another page"), kPageTimeoutMs);
        // The next change brings the pane back to the learner's page.
        QTest::keyClick(s->editor(), Qt::Key_Z);
        QTRY_COMPARE_WITH_TIMEOUT(s->pane()->url(), QUrl::fromLocalFile(s->pagePath()), kPageTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(shownText(s->pane()).endsWith(QLatin1Char('z')), kPageTimeoutMs);
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }

    void screen_whatShowsAndWhatHides()
    {
        Run run;
        // Fonts: a request that silently fell back to another face would change
        // every line break; letters stand side by side (no "TM" ligature).
        QCOMPARE(QFontInfo(font(FontRole::Default)).family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(QFontInfo(font(FontRole::DefaultBold)).family(), QStringLiteral("Liberation Sans"));
        QVERIFY(QFontInfo(font(FontRole::DefaultBold)).bold());
        for (FontRole role : {FontRole::Default, FontRole::Editor, FontRole::PreviewTitle}) {
            const QFontMetricsF fm(font(role));
            qreal sum = 0;
            for (QChar c : QStringLiteral("HTML"))
                sum += fm.horizontalAdvance(c);
            QCOMPARE(fm.horizontalAdvance(QStringLiteral("HTML")), sum);
        }
        // Every label shows its tags as typed; one sized to its text is as
        // wide as all of it.
        for (ScreenId id : kAllScreens)
            for (QLabel *label : run.registry.screen(id)->findChildren<QLabel *>())
                QVERIFY2(label->textFormat() == Qt::PlainText && !label->buddy()
                             && (label->wordWrap()
                                 || label->width() >= QFontMetrics(label->font()).horizontalAdvance(label->text())),
                         qPrintable(label->objectName()));
        run.registry.unload(ScreenId::Splash);

        // Lesson 1 offers no maximise or minimise, but can be closed.
        const Qt::WindowFlags flags = run.registry.screen(ScreenId::Form1)->windowFlags();
        QVERIFY(!(flags & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QVERIFY(flags & Qt::WindowCloseButtonHint);

        // Frame2 hides what the clock would draw below its one visible line.
        WorkspaceScreen *w = run.show(ScreenId::Form2);
        QLabel *clock = w->clockLabel();
        auto *frame1 = w->findChild<QWidget *>(QStringLiteral("Frame1"));
        const QRect place = clock->geometry();
        clock->setText(QStringLiteral("WWWW WWWW WWWW WWWW WWWW WWWW WWWW WWWW"));
        const QImage image = frame1->grab().toImage();
        const int frame2Top = w->findChild<QWidget *>(QStringLiteral("Frame2"))->y();
        const QRgb background = image.pixel(place.left(), frame2Top + 4);
        for (int y = frame2Top + 4; y < place.bottom(); ++y)
            for (int x = place.left(); x <= place.right(); ++x)
                QCOMPARE(image.pixel(x, y), background);
        bool inked = false;
        for (int x = place.left(); x <= place.right() && !inked; ++x)
            inked = image.pixel(x, place.top() + 8) != image.pixel(place.left(), place.top() + 1);
        QVERIFY(inked);

        // A resized screen keeps its controls where they are.
        auto *next = button(w, "cmdContinue");
        const QRect nextPlace = next->geometry();
        for (QSize to : {w->size() + QSize(200, 150), w->size() - QSize(300, 200)}) {
            w->resize(to);
            QCOMPARE(next->geometry(), nextPlace);
        }

        // The editor wraps long lines at its width and scrolls down, never across.
        QPlainTextEdit *edit = w->editor();
        QTest::keyClicks(edit, QStringLiteral("a long line of words ").repeated(8));
        QVERIFY(edit->document()->lastBlock().layout()->lineCount() > 1);
        QCOMPARE(edit->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(edit->verticalScrollBar()->maximum(), 0);
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(edit->verticalScrollBar()->maximum() > 0);
    }

    void splash_ignoresKeysWithoutCharacterAndClicks()
    {
        Run run;
        run.registry.show(ScreenId::Splash);
        QWidget *splash = run.registry.screen(ScreenId::Splash);
        for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Left, Qt::Key_F5, Qt::Key_Control})
            QTest::keyClick(splash, key);
        QTest::mouseClick(splash->findChild<QWidget *>(QStringLiteral("Label4")), Qt::LeftButton);
        QVERIFY(splash->isVisible());
        QCOMPARE(run.registry.loadCount(ScreenId::Splash), 1);
    }

    void clock_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QRegularExpression>("form");
        QTest::addColumn<QString>("qtFormat"); // to read the text back
        QTest::newRow("US: month/day/four-digit year, 12-hour time with AM/PM")
            << QByteArray("en_US.UTF-8") << kUsForm << QStringLiteral("MM/dd/yyyy hh:mm:ss AP");
        QTest::newRow("German: day.month.year, 24-hour time")
            << QByteArray("de_DE.UTF-8") << kGermanForm << QStringLiteral("dd.MM.yyyy HH:mm:ss");
    }

    // The clock says now in the user's forms, and a change of the regional
    // settings shows at the next tick, in the face's own width if it fits.
    void clock()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QRegularExpression, form);
        QFETCH(QString, qtFormat);
        Run run;
        QLabel *label = run.show(ScreenId::Form2Test)->clockLabel();
        TimeLocale use(locale.constData());
        QVERIFY2(use.ok, locale + " is missing: run scripts/install-deps.sh test");
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);
        const QString text = clockText();
        QVERIFY2(form.match(text).hasMatch(), qPrintable(text));
        const QDateTime shown = QDateTime::fromString(text, qtFormat);
        QVERIFY2(shown >= before && shown <= QDateTime::currentDateTime(), qPrintable(text));
        QTRY_VERIFY_WITH_TIMEOUT(form.match(label->text()).hasMatch(), 3000);
        if (form == kGermanForm)
            QCOMPARE(label->font().stretch(), int(QFont::Unstretched));
    }
};

QUORVEL_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
