// The browser engine misbehaving under the learner: its renderer killed from
// outside, scripts that never end, megabytes of pasted text and characters no
// page should contain. The editor keeps every character and the program goes
// on; the pane comes back by itself and follows the learner's edit.
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"

#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <csignal>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

// The pane's renderer process once it has one; 0 if none comes.
qint64 rendererPid(PreviewPane *pane)
{
    waitUntil([pane] { return pane->page()->renderProcessPid() > 0; }, 10000);
    return pane->page()->renderProcessPid();
}

// Whether a process exists and has not ended (a zombie has ended).
bool processRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    const qsizetype state = line.lastIndexOf(')') + 2;
    return state > 1 && state < line.size() && line.at(state) != 'Z';
}

bool shows(QWebEngineView *pane, const QString &text, int timeoutMs = kPageTimeoutMs)
{
    return waitUntil([&] { return shownText(pane) == text; }, timeoutMs);
}

// The clock shows seconds, so a running clock changes its caption.
bool clockMoves(WorkspaceScreen *s)
{
    const QString before = s->clockLabel()->text();
    return waitUntil([&] { return s->clockLabel()->text() != before; }, 5000);
}

// Shows a screen and types `keys` into its editor, key by key, until the pane shows `shown`.
WorkspaceScreen *typed(CourseRun &run, ScreenId id, const QString &keys, const QString &shown)
{
    WorkspaceScreen *s = run.show(id);
    QTest::keyClicks(s->editor(), keys);
    return shows(s->pane(), shown) ? s : nullptr;
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
        CourseRun run;
        WorkspaceScreen *s = typed(run, ScreenId::Form1, QStringLiteral("<p>before</p>"), "before");
        QVERIFY(s);
        QSignalSpy replaced(s->pane(), &PreviewPane::pageReplaced);
        const qint64 firstPid = rendererPid(s->pane());
        QTest::keyClicks(s->editor(), script + QStringLiteral("<p>more</p>"));
        QCOMPARE(s->text(), QStringLiteral("<p>before</p>") + script + QStringLiteral("<p>more</p>"));
        QCOMPARE(readFile(s->pagePath()), s->text().toLatin1());
        // The user-interface thread never waits for the renderer.
        QVERIFY(clockMoves(s));

        // The stuck renderer is noticed and dropped for a fresh one.
        QVERIFY(waitUntil([&] { return replaced.size() > 0; }, 30000));
        QVERIFY(s->pane()->page()->renderProcessPid() != firstPid);
        QVERIFY(waitUntil([&] { return !processRuns(firstPid); }, 20000));

        // Another screen's pane has a renderer of its own and goes on.
        auto *other = typed(run, ScreenId::Form2, QStringLiteral("<b>2nd</b>"), "2nd");
        QVERIFY(other && rendererPid(other->pane()) != rendererPid(s->pane()));

        // Taking the script out brings the preview back at once (long before
        // a stuck renderer is found out again); nothing was lost.
        const QString fixed = QStringLiteral("<p>before</p><p>after</p>");
        editor::setText(s->editor(), fixed);
        QVERIFY(shows(s->pane(), QStringLiteral("before\n\nafter"), 5000));
        QCOMPARE(readFile(s->pagePath()), fixed.toLatin1());
        QCOMPARE(other->text(), QStringLiteral("<b>2nd</b>"));
        // Pages dropped along the way are gone, not kept beside the new one.
        QCOMPARE(s->pane()->findChildren<QWebEnginePage *>().size(), 1);
    }

    void runawayScript_inAHiddenScreen_stopsSpinning()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QSignalSpy replaced(s->pane(), &PreviewPane::pageReplaced);
        editor::setText(s->editor(), QStringLiteral("<p>x</p><script>while(1);</script>"));
        QVERIFY(replaced.wait(10000));
        // The fresh page runs the same loop again, as long as it is in view;
        // out of view, the pane drops it for good.
        const qint64 stuck = rendererPid(s->pane());
        QVERIFY(stuck > 0);
        run.registry.move(ScreenId::Form1, ScreenId::Form1Test);
        QVERIFY(waitUntil([&] { return !processRuns(stuck); }, 60000));
        QVERIFY(typed(run, ScreenId::Form1Test, QStringLiteral("<i>next</i>"), "next"));
        QCOMPARE(s->text(), QStringLiteral("<p>x</p><script>while(1);</script>"));
    }

    // Each round kills the renderer twice: while a page loads (the pane ends
    // on the text typed after), and at rest (it loads its page by itself).
    void killedRenderer_paneRendersAgainByItself_editorAndClockGoOn()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QSignalSpy restarted(s->pane(), &PreviewPane::rendererRestarted);
        for (int i = 0; i < 3; ++i) {
            const QString kept = QStringLiteral("step %1").arg(i);
            editor::setText(s->editor(), QStringLiteral("<p>%1</p>").arg(QString(2000, QChar(u'a' + i))));
            const qint64 loading = rendererPid(s->pane());
            QVERIFY(loading > 0);
            ::kill(static_cast<pid_t>(loading), SIGKILL);
            editor::setText(s->editor(), QStringLiteral("<p>%1</p>").arg(kept));
            QVERIFY(shows(s->pane(), kept));
            const qint64 pid = rendererPid(s->pane());
            const qsizetype restarts = restarted.size();
            QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
            QVERIFY(waitUntil([&] { return restarted.size() > restarts; }, 10000));
            QVERIFY(shows(s->pane(), kept));
            QVERIFY(s->pane()->page()->renderProcessPid() != pid);
        }
        QVERIFY(clockMoves(s));
    }

    void followEdit_changeOutOfViewScrolledIn_changeInViewStays()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QString text;
        for (int i = 0; i < 80; ++i)
            text += QStringLiteral("<p>paragraph %1</p>\n").arg(i);
        editor::setText(s->editor(), text);
        const auto top = [&] { return evaluate(s->pane(), "scrollY").value_or(-1).toInt(); };
        // The page's last paragraph, and whether it stands wholly in view, once
        // the page has loaded: the pane passes each page the text of the last
        // page it finished loading, and the learner's next key comes after that.
        const QString last = QStringLiteral(
            "(function(){const p=document.body.lastElementChild,r=p.getBoundingClientRect();"
            "return p.textContent+(r.top>=0&&r.bottom<=innerHeight?' in view':'');})()");
        const auto lastIs = [&](const char *expected) {
            return waitUntil([&] {
                return !s->pane()->page()->isLoading() && evaluate(s->pane(), last) == expected;
            }, kPageTimeoutMs);
        };
        QVERIFY(lastIs("paragraph 79"));
        QCOMPARE(top(), 0);

        s->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>end</p>"));
        QVERIFY(lastIs("end in view"));
        const int scrolled = top();
        QVERIFY(scrolled > 0);

        // A key whose text lands in view leaves the pane where it is.
        for (int i = 0; i < 4; ++i)
            s->editor()->moveCursor(QTextCursor::Left);
        QTest::keyClicks(s->editor(), QStringLiteral("s"));
        QVERIFY(lastIs("ends in view"));
        QCOMPARE(top(), scrolled);

        s->editor()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>top</p>"));
        QVERIFY(waitUntil([&] { return shownText(s->pane()).startsWith("top") && !top(); },
                          kPageTimeoutMs));
        // Neither the file nor the document holds anything but the text.
        QCOMPARE(readFile(s->pagePath()), s->text().toLatin1());
        QCOMPARE(evaluate(s->pane(), "document.scripts.length")->toInt(), 0);
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
        // The engine reads the line breaks as LF; the tags go.
        const QString rendered = QString(big).remove(QStringLiteral("<p>")).remove(QStringLiteral("</p>"));
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QGuiApplication::clipboard()->setText(big);
        s->editor()->paste();
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(refreshes.at(0).at(0).toBool(), true);
        big.replace(u'\n', QStringLiteral("\r\n"));
        QVERIFY(s->text() == big);
        QVERIFY(readFile(s->pagePath()) == scratch::encode(big));
        const QString body = QStringLiteral("document.body ? document.body.textContent : ''");
        QVERIFY(waitUntil([&] { return evaluate(s->pane(), body, 20000) == rendered; }, 120000));

        // The editor still takes keys at the end of 10 MB.
        s->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(s->editor(), QStringLiteral("!"));
        QVERIFY(readFile(s->pagePath()).endsWith("THE END!"));
        QVERIFY(clockMoves(s));
    }

    void oddCharacters_writtenAndRendered_editorUnchanged()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        QString odd = QStringLiteral("<p>start ");
        for (char16_t c = 0; c < 0x20; ++c)
            if (c != u'\n' && c != u'\r')
                odd += QChar(c);
        // DEL, a lone high surrogate, a lone low one, two high ones in a row,
        // the ends of the planes, a byte order mark, characters that are none.
        odd += QStringView(u"\x7f\xD800 mid \xDC01\xDBFF\xD83D\U0001F600\U0010FFFF\U000E0001"
                           u"\xFFFE\xFFFF\xFEFF &#0; &#xD800; end</p>");
        QGuiApplication::clipboard()->setText(odd);
        s->editor()->paste();
        const QString held = s->text();
        // Whatever the editor made of the paste, the page holds it, and with
        // it every one of these.
        const QByteArray bytes = readFile(s->pagePath());
        QCOMPARE(bytes, scratch::encode(held));
        for (const char c : {'\0', '\x01', '\x1f', '\x7f'})
            QVERIFY2(bytes.contains(c), qPrintable(QString::number(c, 16)));
        QVERIFY(bytes.contains("&#55296; mid &#56321;&#56319;&#55357;&#128512;&#1114111;"));
        const auto shown = [&] { return shownText(s->pane()); };
        QVERIFY(waitUntil([&] { return shown().startsWith("start") && shown().endsWith("end"); },
                          kPageTimeoutMs));
        QVERIFY(shown().contains(QStringLiteral("\U0001F600")));
        QCOMPARE(s->text(), held);

        // And typing on after it works as ever.
        s->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(s->editor(), QStringLiteral("<b>ok</b>"));
        QCOMPARE(s->text(), held + QStringLiteral("<b>ok</b>"));
        QVERIFY(waitUntil([&] { return shown().endsWith("ok"); }, kPageTimeoutMs));
    }
};

QUORVEL_TEST_MAIN(TestRobustEngine)
#include "tst_robust_engine.moc"
