// SPDX-License-Identifier: GPL-3.0-or-later
// The browser engine misbehaving under the learner: pages that act, screens
// left with a renderer stuck or at rest, megabytes of pasted text and
// characters no page should contain. The editor keeps every character and the
// program goes on. (A killed renderer and a runaway script, met with real
// keys, are tests/e2e/pane.sh's.)
#include "preview/previewpane.h"
#include "preview/scratchpage.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

// The pane's renderer process once it has one; 0 if none comes.
qint64 rendererPid(PreviewPane *pane)
{
    waitUntil([pane] { return pane->page()->renderProcessPid() > 0; }, 10000);
    return pane->page()->renderProcessPid();
}

// The clock shows seconds, so a running clock changes its caption.
bool clockMoves(WorkspaceScreen *s)
{
    const QString before = s->clockLabel()->text();
    return waitUntil([&] { return s->clockLabel()->text() != before; }, 5000);
}

} // namespace

class TestRobustEngine final : public QObject {
    Q_OBJECT

private slots:
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

    void pageActs_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("clickFirst");
        QTest::newRow("alert: the script goes on, the note says what it said")
            << "<script>alert('hi')</script>on" << "on" << "The page says: hi" << false;
        QTest::newRow("confirm: answered as Cancel")
            << "<script>document.write(confirm('sure?'))</script>"
            << "false" << "The page asks: sure? (the preview answers Cancel)" << false;
        QTest::newRow("prompt: answered as Cancel")
            << "<script>document.write(prompt('name?', 'x'))</script>"
            << "null" << "The page asks: name? (the preview answers Cancel)" << false;
        QTest::newRow("five alerts: one note with a count")
            << "<script>for (var i = 1; i <= 5; ++i) alert(i)</script>done"
            << "done" << "The page says: 5 (5 times)" << false;
        QTest::newRow("a refresh of itself: refused, and said")
            << "<meta http-equiv='refresh' content='0'>hi"
            << "hi" << "The page tried to open customizer.html, a file on your computer" << false;
        QTest::newRow("a link to a file beside it, clicked: refused, and said")
            << "<a href='page2.html' style='display:block;height:3000px'>next</a>"
            << "next" << "The page tried to open page2.html" << true;
        QTest::newRow("a question before it is left, after a click in it: left without asking")
            << "<script>onbeforeunload = function (e) { e.preventDefault(); "
               "return e.returnValue = 'stay'; }</script>here"
            << "here" << "" << true;
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

    void hugePaste_pageEndsEqualToTheText()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form2Test);
        // 10 MB of markup, a paragraph a line, with characters outside
        // ASCII and outside the Basic Multilingual Plane in every line.
        QString big;
        for (int line = 0; big.size() < 10 * 1024 * 1024; ++line)
            big += QStringLiteral("<p>line %1 of the pasted text \u00e9\u20ac \U0001F600 %2</p>\n")
                       .arg(line, 7, 10, QLatin1Char('0'))
                       .arg(QString(40, u'x'));
        big += QStringLiteral("THE END");
        // The engine reads the line breaks as LF; the tags go. (How it reads
        // the references is its own business; the bytes are checked below.)
        const QString rendered =
            QString(big).remove(QStringLiteral("<p>")).remove(QStringLiteral("</p>"));
        const QString shown = QString::number(rendered.size()) + u' ' + rendered.right(40);
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QGuiApplication::clipboard()->setText(big);
        s->editor()->paste();
        QVERIFY(refreshes.size() == 1 && refreshes.at(0).at(0).toBool());
        big.replace(u'\n', QStringLiteral("\r\n"));
        QVERIFY(s->text() == big);
        QVERIFY(readFile(s->pagePath()) == scratch::encode(big));
        QVERIFY(waitUntil(
            [&] {
                return evaluate(s->pane(), "(t => t.length + ' ' + t.slice(-40))(document.body ? "
                                           "document.body.textContent : '')") == shown;
            },
            120000));
        QVERIFY(clockMoves(s)); // the user-interface thread goes on
    }

    // Every character a paste brings reaches the page: controls, a no-break
    // space (which the editor's plain text would turn into a space), lone
    // surrogates, the ends of the planes.
    void oddCharacters_reachThePage()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        const QString odd = QStringLiteral("<p>start \x01\x1f\x7f\u00a0") + QChar(0xD800) +
                            QStringLiteral(" mid ") + QChar(0xDC01) +
                            QStringLiteral("\U0010FFFF\uFEFF\uFFFF &#0; end</p>");
        QGuiApplication::clipboard()->setText(odd);
        s->editor()->paste();
        QCOMPARE(readFile(s->pagePath()),
                 QByteArray("<p>start \x01\x1f\x7f&#160;&#55296; mid &#56321;&#1114111;&#65279;"
                            "&#65535; &#0; end</p>"));
    }
};

QUORVEL_TEST_MAIN(TestRobustEngine)
#include "tst_robust_engine.moc"
