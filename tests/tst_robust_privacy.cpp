// The learner's page is the learner's own script running in a real browser,
// from a file on disk. It must not read other local files (the system's, or
// the learner's next to the page) through file:// in any of the ways a page
// can try, nor send anything out. The test types such a page and reads what
// the page itself found.
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

using namespace quorvel;

class TestRobustPrivacy final : public QObject {
    Q_OBJECT

private slots:
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
        const QString page = QStringLiteral(R"(<p>probing</p><script>
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
</script>)").arg(QUrl::fromLocalFile(secret).toString(), QUrl::fromLocalFile(picture).toString(),
                  QStringLiteral("http://127.0.0.1:%1/").arg(sink.serverPort()));

        testing::CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        editor::setText(s->editor(), page);
        QJsonObject results;
        const auto collect = [&] {
            const auto v = testing::evaluate(s->pane(), QStringLiteral("JSON.stringify(window.r || {})"));
            results = v ? QJsonDocument::fromJson(v->toString().toUtf8()).object() : QJsonObject();
            return results.size();
        };
        // three reads of three files, the picture, and three ways out
        QTRY_COMPARE_WITH_TIMEOUT(collect(), 3 * 3 + 1 + 3, 30000);
        qInfo("%s", QJsonDocument(results).toJson(QJsonDocument::Compact).constData());
        for (auto it = results.begin(); it != results.end(); ++it) {
            const QString v = it.value().toString();
            QVERIFY2(!v.contains(QStringLiteral("root:")) && !v.contains(QStringLiteral("TOPSECRET"))
                         && !v.startsWith(QStringLiteral("READ")) && v != QStringLiteral("SENT"),
                     qPrintable(it.key() + QStringLiteral(": ") + v));
        }
        // Whatever the page tried to send (a beacon is queued, then dropped)
        // went nowhere.
        QVERIFY(!sink.hasPendingConnections() && !sink.waitForNewConnection(2000));
        QCOMPARE(QFile(secret).size(), 15);
    }
};

QUORVEL_TEST_MAIN(TestRobustPrivacy)
#include "tst_robust_privacy.moc"
