// SPDX-License-Identifier: GPL-3.0-or-later
// The scratch page writer on its own: what bytes a text becomes, that a write
// replaces the page whole or reports why it left the previous one alone (a
// full disk, a read-only page), that no file handle is kept and no link is
// written through, and two running copies writing the one page while
// either is killed mid-write.
#include "robust_text.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/scratchpage.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using quorvel::testing::readFile;

namespace {

QStringList filesIn(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

qsizetype openFiles()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

class TestScratchPage final : public QObject {
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII, NUL and controls pass as they are")
            << QString::fromLatin1("<B>\r\n\0\x01\x7f", 8) << QByteArray("<B>\r\n\0\x01\x7f", 8);
        QTest::newRow("Latin-1, no-break space, euro, CJK: one reference each")
            << QString::fromUtf8("\u00e9\u00a0\u20ac\u4e2d")
            << QByteArray("&#233;&#160;&#8364;&#20013;");
        QTest::newRow("outside the BMP: one reference, not two halves")
            << QString::fromUtf8("\U0001F600!") << QByteArray("&#128512;!");
        QTest::newRow("lone surrogates, the low one last: kept as references")
            << QString(QChar(0xD800)) + u'a' + QChar(0xDC00) << QByteArray("&#55296;a&#56320;");
    }
    void encode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(scratch::encode(text), bytes);
    }

    void write_replacesWholeOrReportsWhy_keepsNoFileOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("customizer.html"));
        const QString missing = dir.filePath(QStringLiteral("gone/customizer.html"));
        // A link where this run's own copy goes is replaced, not written through.
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QFile::link(elsewhere, dir.filePath(QStringLiteral(".customizer.html.%1.part")
                                                        .arg(QCoreApplication::applicationPid()))));
        const qsizetype open = openFiles();
        for (int i = 0; i < 100; ++i) {
            // Something long must not show through a shorter text.
            QVERIFY(!scratch::write(path, QString(5000 - i, u'x')));
            QVERIFY(!scratch::write(path, u"Hello"));
            const auto failure = scratch::write(missing, u"x");
            QVERIFY(failure && !failure->isEmpty());
        }
        QVERIFY(!QFile::exists(elsewhere));
        // A disk that takes only part of the page: the page stays as it was.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit small{4096, limit.rlim_max};
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const auto full = scratch::write(path, QString(100000, u'x'));
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QVERIFY(full && !full->isEmpty());
        QCOMPARE(readFile(path), QByteArray("Hello"));
        QCOMPARE(filesIn(dir), QStringList{QStringLiteral("customizer.html")}); // no half copy
        QVERIFY(QFile(path).setPermissions(QFile::ReadOwner));
        for (int i = 0; i < 100; ++i)
            QVERIFY(scratch::write(path, u"over a read-only page"));
        QCOMPARE(readFile(path), QByteArray("Hello"));
        QCOMPARE(openFiles(), open);
        QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        // A link or a folder in the page's place is left as it is.
        QVERIFY(QFile::rename(path, elsewhere) && QFile::link(elsewhere, path));
        QVERIFY(scratch::write(path, u"through the link") && QFileInfo(path).isSymLink());
        QCOMPARE(readFile(elsewhere), QByteArray("Hello"));
        QVERIFY(QFile::remove(path) && QDir().mkdir(path) && scratch::write(path, u"x"));
        QVERIFY(QDir(path).isEmpty() && QDir().rmdir(path) && QFile::remove(elsewhere));
        QVERIFY(!scratch::write(path, u""));
        QCOMPARE(QFileInfo(path).size(), 0);
        // Nothing but the page is left in the folder.
        QCOMPARE(filesIn(dir), QStringList{QStringLiteral("customizer.html")});
    }

    // Neither copy removes the other's copy in progress, and whenever one is
    // killed the page holds one whole text.
    void twoCopiesKilledMidWrite_pageAlwaysHoldsOneWholeText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("customizer.html"));
        constexpr int kRounds = 120;
        int cutMidRun = 0;
        for (int i = 0; i < kRounds; ++i) {
            QProcess copies[2];
            for (int k = 0; k < 2; ++k)
                copies[k].start(QStringLiteral(ROBUST_WRITER), {path, QString::number(k)});
            for (QProcess &copy : copies)
                QVERIFY(copy.waitForStarted() && copy.waitForReadyRead(20000));
            // The moment of the kill is what is being varied.
            std::this_thread::sleep_for(
                std::chrono::microseconds(QRandomGenerator::global()->bounded(40000)));
            for (QProcess &copy : copies) {
                copy.kill();
                QVERIFY(copy.waitForFinished());
                QVERIFY2(copy.exitStatus() == QProcess::CrashExit,
                         copy.readAllStandardError().constData());
                const auto n = quorvel::testing::wholeNumberedText(readFile(path));
                QVERIFY2(n, qPrintable(
                                QStringLiteral("round %1: %2").arg(i).arg(QFileInfo(path).size())));
                cutMidRun += *n > 1;
            }
            // Each run clears away the copies of the runs before it.
            QVERIFY2(filesIn(dir).size() <= 3, qPrintable(filesIn(dir).join(u' ')));
        }
        QVERIFY(!scratch::write(path, u"last"));
        QCOMPARE(filesIn(dir), QStringList{QStringLiteral("customizer.html")});
        QVERIFY(cutMidRun > kRounds);
    }
};

QUORVEL_TEST_MAIN(TestScratchPage)
#include "tst_scratchpage.moc"
