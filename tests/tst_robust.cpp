// SPDX-License-Identifier: GPL-3.0-or-later
// The preview under what the learner's page, the learner's paste and the
// machine may do to it: dialogs and pages that leave themselves, screens left
// with a renderer stuck or at rest, megabytes of pasted text, characters no
// page should contain, a later screen that cannot make the page, and a page
// that tries to read the learner's files or send them out. The editor keeps
// every character and the program goes on. (A killed renderer and a runaway
// script, met with real keys, are tests/e2e/pane.sh's; a full disk and
// what the page writer leaves alone are tst_scratchpage's.)
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

// The pane's renderer process once it has one; 0 if none comes.
qint64 rendererPid(PreviewPane *pane)
{
    waitUntil([pane] { return pane->page()->renderProcessPid() > 0; }, 10000);
    return pane->page()->renderProcessPid();
}

} // namespace

class TestRobust final : public QObject {
    Q_OBJECT

private slots:
    void pageActs_data()
    {
        // clang-format off
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("clickFirst");
        QTest::newRow("alert: the script goes on, the note says what it said") << "<script>alert('hi')</script>on" << "on" << "The page says: hi" << false;
        QTest::newRow("confirm: answered as Cancel") << "<script>document.write(confirm('sure?'))</script>" << "false" << "The page asks: sure? (the preview answers Cancel)" << false;
        QTest::newRow("prompt: answered as Cancel") << "<script>document.write(prompt('name?', 'x'))</script>" << "null" << "The page asks: name? (the preview answers Cancel)" << false;
        QTest::newRow("five alerts: one note with a count") << "<script>for (var i = 1; i <= 5; ++i) alert(i)</script>done" << "done" << "The page says: 5 (5 times)" << false;
        QTest::newRow("a refresh of itself: refused, and said") << "<meta http-equiv='refresh' content='0'>hi" << "hi" << "The page tried to open customizer.html, a file on your computer" << false;
        QTest::newRow("a link to a file beside it, clicked: refused, and said") << "<a href='page2.html' style='display:block;height:3000px'>next</a>" << "next" << "The page tried to open page2.html" << true;
        QTest::newRow("a question before it is left, after a click in it: left without asking") << "<script>onbeforeunload = function (e) { e.preventDefault(); " "return e.returnValue = 'stay'; }</script>here" << "here" << "" << true;
        // clang-format on
    }

    // Nothing the page does opens a window: what it says shows in the pane's
    // note, and the next page that says nothing takes the note away.
    void pageActs()
    {
        QFETCH(QString, page);
        QFETCH(QString, shown);
        QFETCH(QString, note);
        QFETCH(bool, clickFirst);
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        QVERIFY(QTest::qWaitForWindowExposed(s));
        editor::setText(s->editor(), page);
        QVERIFY(shows(s->pane(), shown));
        // A real click: the page only asks before it is left, or follows a
        // link, for the learner's own gesture.
        if (clickFirst)
            QTest::mouseClick(s->pane()->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY2(waitUntil([&] { return s->pane()->note().startsWith(note) == !note.isEmpty(); },
                           kPageTimeoutMs),
                 qPrintable(s->pane()->note()));
        QCOMPARE(QApplication::topLevelWidgets().size(), run.registry.loadCount(ScreenId::Form3));
        editor::setText(s->editor(), u"plain");
        QVERIFY(shows(s->pane(), "plain"));
        QVERIFY2(waitUntil([&] { return s->pane()->note().isEmpty(); }, kPageTimeoutMs),
                 qPrintable(s->pane()->note()));
    }

    // The learner only goes forward: a screen left behind lets its renderer
    // go, one stuck in a script that never ends (on the fresh page it was
    // given, too) as well as one at rest, and keeps its text; the next
    // screen's pane goes on.
    void leftScreens_letTheirRenderersGo()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QSignalSpy replaced(s->pane(), &PreviewPane::pageReplaced);
        const QString loop = QStringLiteral("<p>x</p><script>while(1);</script>");
        editor::setText(s->editor(), loop);
        QVERIFY(waitUntil([&] { return replaced.size() > 0; }, 30000));
        const qint64 stuck = rendererPid(s->pane());
        auto *other = run.show(ScreenId::Form2);
        QTest::keyClicks(other->editor(), QStringLiteral("<b>2nd</b>"));
        QVERIFY(shows(other->pane(), "2nd"));
        const qint64 atRest = rendererPid(other->pane());
        QVERIFY(atRest != stuck);
        run.registry.move(ScreenId::Form1, ScreenId::Form1Test);
        run.registry.hide(ScreenId::Form2);
        QVERIFY(waitUntil([&] { return !procfs::runs(stuck) && !procfs::runs(atRest); }, 60000));
        QCOMPARE(s->text(), loop);
        QCOMPARE(other->text(), QStringLiteral("<b>2nd</b>"));
        auto *next = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form1Test);
        QTest::keyClicks(next->editor(), QStringLiteral("<i>next</i>"));
        QVERIFY(shows(next->pane(), "next"));
    }

    // 10 MB of markup pasted, a paragraph a line, with characters outside
    // ASCII and outside the Basic Multilingual Plane in every line, and in
    // the first controls, a no-break space (which the editor's plain text
    // would turn into a space), lone surrogates and the ends of the planes:
    // one refresh, the page is every character of the text, the pane comes
    // to show all of it (a big page is not taken for a stuck one), and the
    // user-interface thread goes on meanwhile.
    void hugePaste_pageEndsEqualToTheText()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form2Test);
        QString big = QStringLiteral("<p>\x01\x1f\x7f\u00a0") + QChar(0xD800) + u' ' +
                      QChar(0xDC01) + QStringLiteral("\U0010FFFF\uFEFF\uFFFF &#0;</p>\n");
        int lines = 1;
        for (; big.size() < 10 * 1024 * 1024; ++lines)
            big += QStringLiteral("<p>line %1 of the pasted text \u00e9\u20ac \U0001F600 %2</p>\n")
                       .arg(lines, 7, 10, QLatin1Char('0'))
                       .arg(QString(40, u'x'));
        big += QStringLiteral("THE END");
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QGuiApplication::clipboard()->setText(big);
        s->editor()->paste();
        QVERIFY(refreshes.size() == 1 && refreshes.at(0).at(0).toBool());
        big.replace(u'\n', QStringLiteral("\r\n"));
        QVERIFY(s->text() == big);
        QVERIFY(readFile(s->pagePath()) == scratch::encode(big));
        QVERIFY(waitUntil(
            [&] {
                return evaluate(s->pane(), "document.querySelectorAll('p').length + ' ' + "
                                           "document.body.lastChild.textContent.trim()") ==
                       QStringLiteral("%1 THE END").arg(lines);
            },
            120000));
        // The user-interface thread goes on: the clock, which shows seconds, ticks.
        const QString clock = s->clockLabel()->text();
        QVERIFY(waitUntil([&] { return s->clockLabel()->text() != clock; }, 5000));
    }

    // Only the first workspace load of a run may end the program over the
    // page. A later screen goes on and says why in its pane, under the page's
    // own address (the pane is never left blank); the next change after the
    // fault goes writes the whole text again, and the same fault once more
    // is said again.
    void laterScreenCannotCreateThePage_goesOn()
    {
        CourseRun run;
        run.show(ScreenId::Form1);
        const QString page = scratch::defaultPath();
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        run.registry.screen(ScreenId::Form1)
            ->findChild<QPushButton *>(QStringLiteral("cmdContinue"))
            ->click();
        auto *form2 = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2);
        QVERIFY(form2->isVisible() && !run.endedWith && run.fatalMessages.isEmpty());
        QSignalSpy addresses(form2->pane(), &QWebEngineView::urlChanged);
        const auto saysWhy = [form2] {
            const QString shown = shownText(form2->pane());
            return shown.contains(u"could not be saved") && shown.contains(u"other than a file");
        };
        QTRY_VERIFY(saysWhy());
        QVERIFY(QDir(page).removeRecursively());
        QTest::keyClicks(form2->editor(), QStringLiteral("back"));
        QVERIFY(!form2->pageWriteFailed());
        QCOMPARE(readFile(page), QByteArray("back"));
        QVERIFY(shows(form2->pane(), QStringLiteral("back")));
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        QTest::keyClicks(form2->editor(), QStringLiteral("!"));
        QTRY_VERIFY(saysWhy());
        QVERIFY(QDir(page).removeRecursively());
        QTest::keyClicks(form2->editor(), QStringLiteral("?"));
        QCOMPARE(readFile(page), QByteArray("back!?")); // the key typed meanwhile too
        for (const QList<QVariant> &address : addresses)
            QCOMPARE(address.at(0).toUrl(), QUrl::fromLocalFile(page));
    }

    // The learner's page, the learner's own script in a real browser, reads
    // no other local file and sends nothing out: the pane's profile turns
    // both off. (That the engine holds to its settings whichever way a page
    // reads or sends is the engine's business.)
    void pageScriptsCannotReadLocalFilesNorSendThem()
    {
        QFile diary(QDir::home().filePath(QStringLiteral("diary.txt")));
        QVERIFY(diary.open(QIODevice::WriteOnly) && diary.write("TOPSECRET diary"));
        diary.close();
        // Anything that reaches this server has left the page.
        QTcpServer sink;
        if (!sink.listen(QHostAddress::LocalHost))
            QSKIP("no loopback network here");
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        editor::setText(s->editor(), QStringLiteral(R"(<script>
const tried = p => p.then(x => x.text()).then(t => 'READ ' + t, e => 'blocked');
Promise.all([tried(fetch('diary.txt')), tried(fetch('http://127.0.0.1:%1/',
  {method: 'POST', body: 'x', mode: 'no-cors'}))]).then(r => document.body.append(r.join(' ')));
</script>)")
                                         .arg(sink.serverPort()));
        const bool blocked =
            waitUntil([&] { return shownText(s->pane()) == u"blocked blocked"; }, kPageTimeoutMs);
        // A connection the page made would be waiting here by now.
        QVERIFY2(!sink.hasPendingConnections() && !sink.waitForNewConnection(0),
                 "the page reached the server");
        QVERIFY2(blocked, qPrintable(shownText(s->pane())));
    }
};

QUORVEL_TEST_MAIN(TestRobust)
#include "tst_robust.moc"
