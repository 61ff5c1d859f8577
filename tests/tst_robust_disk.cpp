// The disk failing under the scratch page: full, the page made read-only,
// replaced by a folder or by a link to a file elsewhere, and the writer
// killed half-way through a write. The editor keeps every keystroke, the
// pane says what is wrong, the page is never cut short or written through a
// link, and the next change after the fault goes writes again.
#include "app/screenregistry.h"
#include "robust_text.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/scratchpage.h"
#include "workspace/previewpane.h"
#include "workspace/workspacescreen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using quorvel::testing::readFile;
using quorvel::testing::shownText;

namespace {

using Run = quorvel::testing::CourseRun;

// Points HOME (and with it the scratch page) elsewhere for one test.
class HomeAt final {
public:
    explicit HomeAt(const QString &dir)
        : m_old(qgetenv("HOME"))
    {
        qputenv("HOME", dir.toLocal8Bit());
    }
    ~HomeAt() { qputenv("HOME", m_old); }

private:
    QByteArray m_old;
};

bool fillDisk(const QString &path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly))
        return false;
    const QByteArray chunk(1024, 'f');
    while (filler.write(chunk) == chunk.size() && filler.flush()) {
    }
    return true;
}

// One fault in the middle of a session: what goes wrong, and how it goes away.
void faultMidSession(WorkspaceScreen *s, const std::function<void()> &cause,
                     const std::function<void()> &remove, const std::function<void()> &checkFault)
{
    QTest::keyClicks(s->editor(), QStringLiteral("<p>good</p>"));
    QTRY_COMPARE(shownText(s->pane()), QStringLiteral("good"));

    cause();
    QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
    QTest::keyClicks(s->editor(), QStringLiteral("<p>kept</p>"));
    QCOMPARE(refreshes.size(), 11);
    for (const QList<QVariant> &r : refreshes)
        QCOMPARE(r.at(0).toBool(), false);
    QVERIFY(s->pageWriteFailed());
    QCOMPARE(s->text(), QStringLiteral("<p>good</p><p>kept</p>"));
    QTRY_VERIFY(shownText(s->pane()).contains(QStringLiteral("The preview could not be saved.")));
    QVERIFY(shownText(s->pane()).contains(QStringLiteral("Your text is safe in the editor")));
    checkFault();

    remove();
    QTest::keyClicks(s->editor(), QStringLiteral("!"));
    QCOMPARE(refreshes.last().at(0).toBool(), true);
    QVERIFY(!s->pageWriteFailed());
    QCOMPARE(readFile(s->pagePath()), QByteArray("<p>good</p><p>kept</p>!"));
    QTRY_COMPARE(shownText(s->pane()), QStringLiteral("good\n\nkept\n\n!"));
}

} // namespace

class TestRobustDisk final : public QObject {
    Q_OBJECT

private slots:
    void pageMadeReadOnly()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QFile page(s->pagePath());
        faultMidSession(
            s, [&] { QVERIFY(page.setPermissions(QFile::ReadOwner | QFile::ReadGroup)); },
            [&] { QVERIFY(page.setPermissions(QFile::ReadOwner | QFile::WriteOwner)); },
            [&] {
                QCOMPARE(readFile(s->pagePath()), QByteArray("<p>good</p>"));
                QVERIFY(shownText(s->pane()).contains(QStringLiteral("read-only")));
            });
    }

    void pageReplacedByAFolder()
    {
        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form2);
        const QString path = s->pagePath();
        faultMidSession(
            s,
            [&] {
                QVERIFY(QFile::remove(path));
                QVERIFY(QDir().mkdir(path));
                QVERIFY(QFile::copy(QStringLiteral(":/icons/lesson1-16.png"),
                                    path + QStringLiteral("/inside.png")));
            },
            [&] {
                QVERIFY(QDir(path).removeRecursively());
            },
            [&] {
                // The folder and what is in it are left as they were.
                QVERIFY(QFileInfo(path).isDir());
                QCOMPARE(QDir(path).entryList(QDir::Files), QStringList{QStringLiteral("inside.png")});
            });
    }

    void pageReplacedByALinkToAFileElsewhere()
    {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("notes.txt"));
        QFile t(target);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("the learner's own notes");
        t.close();

        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        const QString path = s->pagePath();
        faultMidSession(
            s,
            [&] {
                QVERIFY(QFile::remove(path));
                QVERIFY(QFile::link(target, path));
            },
            [&] { QVERIFY(QFile::remove(path)); },
            [&] {
                QVERIFY(QFileInfo(path).isSymLink());
                QCOMPARE(readFile(target), QByteArray("the learner's own notes"));
            });
        QCOMPARE(readFile(target), QByteArray("the learner's own notes"));
        QVERIFY(!QFileInfo(path).isSymLink());
    }

    void diskFull()
    {
        if (geteuid() != 0)
            QSKIP("mounting a small disk needs root; the full disk is not tried");
        QTemporaryDir mountPoint;
        if (::mount("quorvel-test", mountPoint.path().toLocal8Bit().constData(), "tmpfs", 0,
                    "size=64k")
            != 0)
            QSKIP("no tmpfs could be mounted here; the full disk is not tried");
        struct Unmount {
            QString at;
            ~Unmount() { ::umount2(at.toLocal8Bit().constData(), MNT_DETACH); }
        } unmount{mountPoint.path()};
        HomeAt home(mountPoint.path());

        Run run;
        WorkspaceScreen *s = run.show(ScreenId::Form1Test);
        QCOMPARE(QFileInfo(s->pagePath()).absolutePath(), mountPoint.path());
        const QString filler = mountPoint.filePath(QStringLiteral("filler"));
        faultMidSession(
            s, [&] { QVERIFY(fillDisk(filler)); }, [&] { QVERIFY(QFile::remove(filler)); },
            [&] {
                // The earlier page is whole, and no half-written copy is left.
                QCOMPARE(readFile(s->pagePath()), QByteArray("<p>good</p>"));
                QCOMPARE(QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden),
                         (QStringList{QStringLiteral("customizer.html"), QStringLiteral("filler")}));
            });
    }

    void killedWhileWriting_pageAlwaysHoldsOneWholeText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("customizer.html"));
        constexpr int kKills = 250;
        int cutMidRun = 0;
        int leftBeside = 0;
        for (int i = 0; i < kKills; ++i) {
            QProcess writer;
            writer.start(QStringLiteral(ROBUST_WRITER), {path});
            QVERIFY(writer.waitForStarted());
            QVERIFY(writer.waitForReadyRead(20000));
            // The moment of the kill is what is being varied.
            std::this_thread::sleep_for(std::chrono::microseconds(
                QRandomGenerator::global()->bounded(0, 40000)));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            const QByteArray bytes = readFile(path);
            const auto n = quorvel::testing::wholeNumberedText(bytes);
            QVERIFY2(n, qPrintable(QStringLiteral("kill %1 left %2 bytes: %3...")
                                       .arg(i)
                                       .arg(bytes.size())
                                       .arg(QString::fromLatin1(bytes.left(40)))));
            if (*n > 0)
                ++cutMidRun;
            // A kill before the rename leaves that run's copy beside the
            // page, and only that one: each run clears away the copies of
            // the runs before it.
            const QStringList beside = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            QVERIFY2(beside.size() <= 2, qPrintable(beside.join(u' ')));
            leftBeside += int(beside.size()) - 1;
        }
        QVERIFY(!quorvel::scratch::write(path, u"last"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("customizer.html")});
        qInfo("%d kills, %d of them after the writer had replaced the page at least once; "
              "%d left a copy beside the page until the next run",
              kKills, cutMidRun, leftBeside);
        QVERIFY(cutMidRun > kKills / 2);
    }
};

QUORVEL_TEST_MAIN(TestRobustDisk)
#include "tst_robust_disk.moc"
