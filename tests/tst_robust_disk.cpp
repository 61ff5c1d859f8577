// The disk failing under the scratch page in the middle of a session: the
// page made read-only, replaced by a folder or by a link to a file elsewhere,
// the disk full. The editor keeps every keystroke, the pane says what is
// wrong, the page is never cut short or written through a link, and the next
// change after the fault goes writes again. A later screen that cannot make
// the page goes on. (A writer killed mid-write is tst_scratchpage's.)
#include "testmain.h"
#include "testutil.h"

#include <QDir>
#include <QSignalSpy>
#include <sys/mount.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

enum class Fault { ReadOnly, Folder, Link, DiskFull };

// Points HOME (and with it the scratch page) at a small disk of its own.
struct SmallDisk {
    QByteArray home = qgetenv("HOME");
    QString at;
    explicit SmallDisk(const QString &dir) : at(dir) { qputenv("HOME", dir.toLocal8Bit()); }
    SmallDisk(const SmallDisk &) = delete;
    ~SmallDisk()
    {
        qputenv("HOME", home);
        ::umount2(at.toLocal8Bit().constData(), MNT_DETACH);
    }
};

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
        QTest::newRow("disk full: the earlier page stays whole") << Fault::DiskFull;
    }
    void faultMidSession()
    {
        QFETCH(Fault, fault);
        QTemporaryDir dir;
        const QString notes = dir.filePath(QStringLiteral("notes.txt"));
        std::optional<SmallDisk> disk;
        if (fault == Fault::DiskFull) {
            if (geteuid() != 0 || ::mount("quorvel-test", qPrintable(dir.path()), "tmpfs", 0, "size=64k") != 0)
                QSKIP("no small disk could be mounted here (that needs root); the full disk is not tried");
            disk.emplace(dir.path());
        }
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1Test);
        const QString path = s->pagePath();
        QVERIFY(!disk || QFileInfo(path).absolutePath() == dir.path());
        QTest::keyClicks(s->editor(), QStringLiteral("<p>good</p>"));
        QTRY_COMPARE(shownText(s->pane()), QStringLiteral("good"));

        QFile filler(dir.filePath(QStringLiteral("filler")));
        QFile f(notes);
        switch (fault) {
        case Fault::ReadOnly:
            QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::ReadGroup));
            break;
        case Fault::Folder:
            QVERIFY(QFile::remove(path) && QDir().mkdir(path));
            QVERIFY(QFile::copy(QStringLiteral(":/icons/lesson1-16.png"), path + QStringLiteral("/inside.png")));
            break;
        case Fault::Link:
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("the learner's own notes") > 0);
            f.close();
            QVERIFY(QFile::remove(path) && QFile::link(notes, path));
            break;
        case Fault::DiskFull:
            QVERIFY(filler.open(QIODevice::WriteOnly));
            // Bounded, so a disk that is not the small one is never filled.
            for (int k = 0; k < 1024 && filler.write(QByteArray(1024, 'f')) == 1024 && filler.flush(); ++k) {
            }
            filler.close();
            QVERIFY(filler.size() < 1024 * 1024);
            break;
        }
        QSignalSpy refreshes(s, &WorkspaceScreen::refreshed);
        QTest::keyClicks(s->editor(), QStringLiteral("<p>kept</p>"));
        QCOMPARE(refreshes.size(), 11); // one per key, none of them written
        for (const QList<QVariant> &r : refreshes)
            QCOMPARE(r.at(0).toBool(), false);
        QVERIFY(s->pageWriteFailed());
        QCOMPARE(s->text(), QStringLiteral("<p>good</p><p>kept</p>"));
        QTRY_VERIFY(shownText(s->pane()).contains(QStringLiteral("The preview could not be saved.")));
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
        case Fault::DiskFull:
            // The earlier page is whole, and no half-written copy is left.
            QCOMPARE(readFile(path), QByteArray("<p>good</p>"));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{QStringLiteral("customizer.html"), QStringLiteral("filler")}));
            QVERIFY(filler.remove());
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
        run.registry.screen(ScreenId::Form1)->findChild<QPushButton *>(QStringLiteral("cmdContinue"))->click();
        auto *form2 = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2);
        QVERIFY(form2->isVisible() && !run.endedWith && run.fatalMessages.isEmpty());
        QVERIFY(form2->pageWriteFailed());
        QTRY_VERIFY(shownText(form2->pane()).contains(QStringLiteral("could not be saved")));
        QVERIFY(QDir(page).removeRecursively());
        QTest::keyClicks(form2->editor(), QStringLiteral("back"));
        QVERIFY(!form2->pageWriteFailed());
        QCOMPARE(readFile(page), QByteArray("back"));
    }
};

QUORVEL_TEST_MAIN(TestRobustDisk)
#include "tst_robust_disk.moc"
