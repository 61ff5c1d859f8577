// SPDX-License-Identifier: GPL-3.0-or-later
// The disk failing under the scratch page in the middle of a session: the
// editor keeps every keystroke, the pane says what is wrong, and the next
// change after the fault goes writes again; a later screen that cannot make
// the page goes on. (What the writer leaves alone is tst_scratchpage's, a full
// disk tests/e2e/pane.sh's.) And the learner's page, the learner's own script
// in a real browser, reads no other local file and sends nothing out.
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>

using namespace quorvel;
using namespace quorvel::testing;

class TestRobustDisk final : public QObject {
    Q_OBJECT

private slots:
    // What the writer leaves alone (a read-only page, a link or a folder in
    // its place) is tst_scratchpage's; here the screen around such a fault.
    void faultMidSession_editorKeepsEveryKey_paneSaysWhy_nextChangeWrites()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1Test);
        const QString path = s->pagePath();
        QTest::keyClicks(s->editor(), QStringLiteral("<p>good</p>"));
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("good"));
        QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::ReadGroup));
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>kept</p>"));
        // One refresh per key, none of them written.
        QCOMPARE(refreshes, QList<QList<QVariant>>(11, {false}));
        QCOMPARE(s->text(), QStringLiteral("<p>good</p><p>kept</p>"));
        QCOMPARE(readFile(path), QByteArray("<p>good</p>"));
        QTRY_VERIFY(shownText(s->pane()).contains(QStringLiteral("could not be saved")) &&
                    shownText(s->pane()).contains(QStringLiteral("read-only")));

        QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        QTest::keyClicks(s->editor(), QStringLiteral("!"));
        QCOMPARE(refreshes.last(), QList<QVariant>{true});
        QCOMPARE(readFile(path), QByteArray("<p>good</p><p>kept</p>!"));
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("good\n\nkept\n\n!"));
    }

    // Only the first workspace load of a run may end the program over the page.
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
        QTRY_VERIFY(shownText(form2->pane()).contains(QStringLiteral("could not be saved")));
        QVERIFY(QDir(page).removeRecursively());
        QTest::keyClicks(form2->editor(), QStringLiteral("back"));
        QVERIFY(!form2->pageWriteFailed());
        QCOMPARE(readFile(page), QByteArray("back"));
    }

    void pageScriptsCannotReadLocalFilesNorSendThem()
    {
        const QString secret = QDir::home().filePath(QStringLiteral("diary.txt"));
        QFile f(secret);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("TOPSECRET diary"));
        f.close();
        // Anything that reaches this server has left the page.
        QTcpServer sink;
        if (!sink.listen(QHostAddress::LocalHost))
            QSKIP("no loopback network here");
        const QString page =
            QStringLiteral(R"(<p>probing</p><script>
var r = {}; var done = function(k, v) { r[k] = String(v).slice(0, 200); };
var targets = {passwd: 'file:///etc/passwd', diary: '%1', sibling: 'diary.txt'};
Object.keys(targets).forEach(function(k) {
  fetch(targets[k]).then(function(x) { return x.text(); })
    .then(function(t) { done('fetch ' + k, 'READ ' + t); }, function(e) { done('fetch ' + k, 'blocked ' + e); });
  try {
    var x = new XMLHttpRequest(); x.open('GET', targets[k], false); x.send();
    done('xhr ' + k, 'READ ' + x.responseText);
  } catch (e) { done('xhr ' + k, 'blocked ' + e); }
  var f = document.createElement('iframe'); f.src = targets[k];
  f.onload = function() {
    try { done('iframe ' + k, 'READ ' + f.contentDocument.body.innerText); }
    catch (e) { done('iframe ' + k, 'blocked ' + e); } };
  document.body.appendChild(f);
});
fetch('%2', {method: 'POST', body: 'x', mode: 'no-cors'})
  .then(function() { done('send', 'SENT'); }, function(e) { done('send', 'blocked ' + e); });
</script>)")
                .arg(QUrl::fromLocalFile(secret).toString(),
                     QStringLiteral("http://127.0.0.1:%1/").arg(sink.serverPort()));

        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        editor::setText(s->editor(), page);
        QJsonObject results;
        const auto collect = [&] {
            const auto v = evaluate(s->pane(), QStringLiteral("JSON.stringify(window.r || {})"));
            results = v ? QJsonDocument::fromJson(v->toString().toUtf8()).object() : QJsonObject();
            return results.size();
        };
        // three ways to read each of three files, and one way out
        QTRY_COMPARE_WITH_TIMEOUT(collect(), 3 * 3 + 1, 30000);
        qInfo("%s", QJsonDocument(results).toJson(QJsonDocument::Compact).constData());
        for (auto it = results.begin(); it != results.end(); ++it) {
            const QString v = it.value().toString();
            QVERIFY2(!v.contains(QStringLiteral("root:")) &&
                         !v.contains(QStringLiteral("TOPSECRET")) &&
                         !v.startsWith(QStringLiteral("READ")) && v != QStringLiteral("SENT"),
                     qPrintable(it.key() + QStringLiteral(": ") + v));
        }
        // What the page tried to send went nowhere: the attempt has settled,
        // so a connection it made would already be waiting here.
        QVERIFY(!sink.hasPendingConnections() && !sink.waitForNewConnection(0));
        QCOMPARE(QFile(secret).size(), 15);
    }
};

QUORVEL_TEST_MAIN(TestRobustDisk)
#include "tst_robust_disk.moc"
