// SPDX-License-Identifier: GPL-3.0-or-later
// A later screen that cannot make the page goes on, and says why. (What the
// writer leaves alone, a full disk among it, is tst_scratchpage's.) And the
// learner's page, the learner's own script in a real browser, reads no other
// local file and sends nothing out.
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
