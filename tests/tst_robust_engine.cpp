// The browser engine misbehaving under the learner: its renderer killed from
// outside, scripts that never end, megabytes of pasted text and characters no
// page should contain. The editor keeps every character and the program goes
// on; the pane comes back by itself.
#include "app/screenregistry.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <csignal>
#include <sys/types.h>

using namespace quorvel;
using quorvel::testing::evaluate;
using quorvel::testing::readFile;
using quorvel::testing::kPageTimeoutMs;
using quorvel::testing::shownText;
using quorvel::testing::waitUntil;

namespace {

using Run = quorvel::testing::CourseRun;

qint64 rendererPid(PreviewPane *pane)
{
    if (!quorvel::testing::waitUntil([pane] { return pane->page()->renderProcessPid() > 0; }, 10000))
        return -1;
    return pane->page()->renderProcessPid();
}

// Whether a process exists and has not ended (a zombie has ended).
bool processRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.size() > close + 2 && line.at(close + 2) != 'Z';
}

// The clock shows seconds, so a running clock changes its caption.
bool clockMoves(WorkspaceScreen *s)
{
    const QString before = s->clockLabel()->text();
    return quorvel::testing::waitUntil([&] { return s->clockLabel()->text() != before; }, 5000);
}

void paste(QPlainTextEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    edit->paste();
}

} // namespace

class TestRobustEngine final : public QObject {
    Q_OBJECT

private slots:
    void runawayScript_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("while loop while parsing") << QStringLiteral("<script>while(true){}</script>");
        QTest::newRow("loop after the load")
            << QStringLiteral("<script>setTimeout(function(){while(true){}},20)</script>");
        QTest::newRow("loop in onload") << QStringLiteral("<body onload=\"for(;;){}\">");
    }

    void runawayScript()
    {
        QFETCH(QString, script);
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>before</p>"));
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("before"));
        QSignalSpy replaced(s->pane(), &PreviewPane::pageReplaced);
        const qint64 firstPid = rendererPid(s->pane());

        // Typed key by key, as the learner would.
        QTest::keyClicks(s->editor(), script);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>more</p>"));
        QCOMPARE(s->text(), QStringLiteral("<p>before</p>") + script + QStringLiteral("<p>more</p>"));
        QCOMPARE(readFile(s->pagePath()), s->text().toLatin1());
        // The user-interface thread never waits for the renderer.
        QVERIFY(clockMoves(s));

        // The stuck renderer is noticed and dropped for a fresh one.
        QTRY_VERIFY_WITH_TIMEOUT(replaced.size() > 0, 30000);
        QVERIFY(s->pane()->page()->renderProcessPid() != firstPid);
        QTRY_VERIFY_WITH_TIMEOUT(!processRuns(firstPid), 20000);

        // Another screen's pane has a renderer of its own and goes on.
        auto *other = run.show(ScreenId::Form2);
        QTest::keyClicks(other->editor(), QStringLiteral("<b>second screen</b>"));
        QTRY_COMPARE(shownText(other->pane()), QStringLiteral("second screen"));
        QVERIFY(rendererPid(other->pane()) != rendererPid(s->pane()));

        // Taking the script out brings the preview back; nothing was lost.
        const QString fixed = QStringLiteral("<p>before</p><p>after</p>");
        editor::setText(s->editor(), fixed);
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("before\n\nafter"));
        QCOMPARE(s->text(), fixed);
        QCOMPARE(readFile(s->pagePath()), fixed.toLatin1());
        QCOMPARE(other->text(), QStringLiteral("<b>second screen</b>"));
        // Pages dropped along the way are gone, not kept beside the new one.
        QCOMPARE(s->pane()->findChildren<QWebEnginePage *>().size(), 1);
    }

    void runawayScript_inAHiddenScreen_stopsSpinning()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QSignalSpy replaced(s->pane(), &PreviewPane::pageReplaced);
        editor::setText(s->editor(), QStringLiteral("<p>x</p><script>while(1);</script>"));
        QVERIFY(replaced.wait(10000));
        // The fresh page runs the same loop again, as long as it is in view.
        const qint64 stuck = rendererPid(s->pane());
        QVERIFY(stuck > 0);

        // Out of view, the pane drops the page for good: nothing spins in a
        // screen the learner has left.
        run.registry.move(ScreenId::Form1, ScreenId::Form1Test);
        QTRY_VERIFY_WITH_TIMEOUT(!processRuns(stuck), 60000);
        auto *next = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form1Test);
        QTest::keyClicks(next->editor(), QStringLiteral("<i>next</i>"));
        QTRY_COMPARE(shownText(next->pane()), QStringLiteral("next"));
        QCOMPARE(s->text(), QStringLiteral("<p>x</p><script>while(1);</script>"));
    }

    void killedRenderer_paneRendersAgainByItself_editorAndClockGoOn()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>kept</p>"));
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("kept"));
        for (int i = 0; i < 3; ++i) {
            const qint64 pid = rendererPid(s->pane());
            QSignalSpy restarted(s->pane(), &PreviewPane::rendererRestarted);
            QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
            QVERIFY(restarted.wait(10000));
            // No change of the text is needed: the pane loads its page again.
            QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("kept"), 20000);
            QVERIFY(s->pane()->page()->renderProcessPid() != pid);
        }
        QCOMPARE(s->pane()->crashReloads(), 3);
        QVERIFY(clockMoves(s));
    }

    void followEdit_changeOutOfViewScrolledIn_changeInViewStays()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QString text;
        for (int i = 0; i < 80; ++i)
            text += QStringLiteral("<p>paragraph %1</p>\n").arg(i);
        editor::setText(s->editor(), text);
        const auto top = [&] {
            const auto v = evaluate(s->pane(), QStringLiteral("window.scrollY"));
            return v ? v->toInt() : -1;
        };
        // The last paragraph holds `word` and stands wholly in the pane's view.
        const auto lastInView = [&](const QString &word) {
            const auto v = evaluate(s->pane(), QStringLiteral(
                "(function(){const p=document.body.lastElementChild,r=p.getBoundingClientRect();"
                "return p.textContent==='%1'&&r.top>=0&&r.bottom<=innerHeight;})()").arg(word));
            return v && v->toBool();
        };
        const auto startsWith = [&](const QString &word) {
            return waitUntil([&] { return shownText(s->pane()).startsWith(word); }, kPageTimeoutMs);
        };
        // The pane passes each page the text of the last page it finished
        // loading; the learner's next key comes after that.
        const auto loaded = [&] {
            return waitUntil([&] { return !s->pane()->page()->isLoading(); }, kPageTimeoutMs)
                && evaluate(s->pane(), QStringLiteral("0"));
        };
        QVERIFY(startsWith(QStringLiteral("paragraph 0")) && loaded());
        QCOMPARE(top(), 0);

        s->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>end</p>"));
        QVERIFY(waitUntil([&] { return lastInView(QStringLiteral("end")); }, kPageTimeoutMs));
        QVERIFY(loaded());
        const int scrolled = top();
        QVERIFY(scrolled > 0);

        // A key whose text lands in view leaves the pane where it is.
        for (int i = 0; i < 4; ++i)
            s->editor()->moveCursor(QTextCursor::Left);
        QTest::keyClicks(s->editor(), QStringLiteral("s"));
        QVERIFY(waitUntil([&] { return lastInView(QStringLiteral("ends")); }, kPageTimeoutMs));
        QVERIFY(loaded());
        QCOMPARE(top(), scrolled);

        s->editor()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>top</p>"));
        QVERIFY(startsWith(QStringLiteral("top")));
        QVERIFY(waitUntil([&] { return top() == 0; }, kPageTimeoutMs));
        // Neither the file nor the document holds anything but the text.
        QCOMPARE(readFile(s->pagePath()), s->text().toLatin1());
        QCOMPARE(evaluate(s->pane(), QStringLiteral("document.scripts.length"))->toInt(), 0);
    }

    void killedRenderer_whileLoading_endsOnTheLatestText()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form2);
        for (int i = 0; i < 10; ++i) {
            const qint64 pid = rendererPid(s->pane());
            editor::setText(s->editor(), QStringLiteral("<p>%1</p>").arg(QString(2000, QChar(u'a' + i))));
            ::kill(static_cast<pid_t>(pid), SIGKILL);
            editor::setText(s->editor(), QStringLiteral("<p>step %1</p>").arg(i));
            QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QStringLiteral("step %1").arg(i), 15000);
        }
    }

    void hugePaste_pageEndsEqualToTheText()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form2Test);
        // 10 MB of markup, a paragraph a line, with characters outside
        // ASCII and outside the Basic Multilingual Plane in every line.
        QString big;
        QString rendered;
        big.reserve(10 * 1024 * 1024 + 200);
        rendered.reserve(10 * 1024 * 1024);
        int line = 0;
        while (big.size() < 10 * 1024 * 1024) {
            const QString words = QStringLiteral("line %1 of the pasted text \u00e9\u20ac \U0001F600 %2")
                                      .arg(line++, 7, 10, QLatin1Char('0'))
                                      .arg(QString(40, QLatin1Char('x')));
            big += QStringLiteral("<p>") + words + QStringLiteral("</p>\n");
            rendered += words;
            rendered += QLatin1Char('\n');
        }
        big += QStringLiteral("THE END");
        rendered += QStringLiteral("THE END");
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        paste(s->editor(), big);
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(refreshes.at(0).at(0).toBool(), true);

        QString expected = big;
        expected.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        QCOMPARE(s->text(), expected);
        QVERIFY(readFile(s->pagePath()) == scratch::encode(expected));

        // The engine reads the line breaks as LF; the tags go.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const auto v = evaluate(s->pane(), QStringLiteral("document.body ? document.body.textContent : ''"), 20000);
                return v && v->toString() == rendered;
            }(),
            120000);

        // The editor still takes keys at the end of 10 MB.
        s->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(s->editor(), QStringLiteral("!"));
        QVERIFY(readFile(s->pagePath()).endsWith("THE END!"));
        QVERIFY(clockMoves(s));
    }

    void oddCharacters_writtenAndRendered_editorUnchanged()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        QString odd = QStringLiteral("<p>start ");
        for (char16_t c = 0; c < 0x20; ++c)
            if (c != u'\n' && c != u'\r')
                odd += QChar(c);
        odd += QChar(0x7f);
        odd += QChar(0xD800); // a lone high surrogate
        odd += QStringLiteral(" mid ");
        odd += QChar(0xDC01); // a lone low surrogate
        odd += QChar(0xDBFF); // two high ones in a row
        odd += QChar(0xD83D);
        odd += QStringLiteral("\U0001F600\U0010FFFF\U000E0001");
        odd += QChar(0xFFFE);
        odd += QChar(0xFFFF);
        odd += QChar(0xFEFF);
        odd += QStringLiteral(" &#0; &#xD800; end</p>");
        paste(s->editor(), odd);
        const QString held = s->text();
        // Whatever the editor made of the paste, it holds every one of these.
        for (const QChar c : {QChar(0), QChar(1), QChar(0x1f), QChar(0x7f), QChar(0xD800), QChar(0xDC01)})
            QVERIFY2(held.contains(c), qPrintable(QString::number(c.unicode(), 16)));
        QVERIFY(held.contains(QStringLiteral("\U0001F600\U0010FFFF")));

        const QByteArray bytes = readFile(s->pagePath());
        QCOMPARE(bytes, scratch::encode(held));
        QVERIFY(bytes.contains('\0'));
        QVERIFY(bytes.contains("&#55296; mid &#56321;&#56319;&#55357;&#128512;&#1114111;"));
        const auto shown = [&] { return shownText(s->pane()); };
        QTRY_VERIFY(shown().startsWith(QStringLiteral("start")) && shown().endsWith(QStringLiteral("end")));
        QVERIFY(shown().contains(QStringLiteral("\U0001F600")));
        QCOMPARE(s->text(), held);

        // And typing on after it works as ever.
        s->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(s->editor(), QStringLiteral("<b>ok</b>"));
        QCOMPARE(s->text(), held + QStringLiteral("<b>ok</b>"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("ok")));
    }
};

QUORVEL_TEST_MAIN(TestRobustEngine)
#include "tst_robust_engine.moc"
