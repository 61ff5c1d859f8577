// The scratch page writer on its own: what bytes a text becomes, that a write
// replaces the page whole or leaves the previous one alone, and two running
// copies writing the one page while either is killed mid-write.
#include "robust_text.h"
#include "testmain.h"
#include "workspace/scratchpage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace quorvel;

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestScratchPage final : public QObject {
    Q_OBJECT

private slots:
    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("nominal: ASCII stands as itself")
            << QStringLiteral("<B> Hi </B>\r\nx") << QByteArray("<B> Hi </B>\r\nx");
        QTest::newRow("nominal: empty") << QString() << QByteArray();
        QTest::newRow("nominal: Latin-1 and euro")
            << QString::fromUtf8("caf\u00e9 \u20ac") << QByteArray("caf&#233; &#8364;");
        QTest::newRow("nominal: CJK") << QString::fromUtf8("\u4e2d") << QByteArray("&#20013;");
        QTest::newRow("nominal: outside the BMP is one reference")
            << QString::fromUtf8("\U0001F600!") << QByteArray("&#128512;!");
        QTest::newRow("nominal: no-break space survives")
            << QString(QChar(0xA0)) << QByteArray("&#160;");
        QTest::newRow("robustness: lone high surrogate")
            << QString(QChar(0xD800)) + QLatin1Char('a') << QByteArray("&#55296;a");
        QTest::newRow("robustness: lone low surrogate at the end")
            << QStringLiteral("a") + QChar(0xDC00) << QByteArray("a&#56320;");
        QTest::newRow("robustness: NUL and control characters pass through")
            << QString::fromLatin1("a\0b\x01\x7f", 5) << QByteArray("a\0b\x01\x7f", 5);
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(scratch::encode(text), bytes);
    }

    void write_replacesWholePage() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("customizer.html"));
        // Something long left from an earlier run must not show through a
        // shorter text.
        QVERIFY(!scratch::write(path, QString(5000, QLatin1Char('x'))));
        QVERIFY(!scratch::write(path, u"Hello"));
        QCOMPARE(readAll(path), QByteArray("Hello"));
        QVERIFY(!scratch::write(path, u""));
        QCOMPARE(QFileInfo(path).size(), 0);
        // Nothing but the page is left in the folder: no temporary files.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QStringLiteral("customizer.html")});
    }

    void write_clearsCopiesOfEndedRunsOnly() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("customizer.html"));
        const auto partOf = [&](qint64 pid) {
            return dir.filePath(QStringLiteral(".customizer.html.%1.part").arg(pid));
        };
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        for (const qint64 pid : {endedPid, qint64(getppid())}) {
            QFile f(partOf(pid));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("half a page");
        }
        // A link put where this run's own copy goes is replaced, not
        // written through.
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
        QFile e(elsewhere);
        QVERIFY(e.open(QIODevice::WriteOnly));
        e.write("untouched");
        e.close();
        QVERIFY(QFile::link(elsewhere, partOf(QCoreApplication::applicationPid())));

        QVERIFY(!scratch::write(path, u"page"));
        QCOMPARE(readAll(path), QByteArray("page"));
        QCOMPARE(readAll(elsewhere), QByteArray("untouched"));
        QVERIFY(!QFile::exists(partOf(endedPid)));
        QVERIFY(!QFile::exists(partOf(QCoreApplication::applicationPid())));
        QVERIFY(QFile::exists(partOf(getppid())));
    }

    void write_missingFolder_reportsReason() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gone/customizer.html"));
        const auto failure = scratch::write(path, u"x");
        QVERIFY(failure);
        QVERIFY(!failure->isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    // Neither copy is in the other's way (neither removes the other's copy in
    // progress), and whenever one is killed the page holds one whole text.
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
                std::chrono::microseconds(QRandomGenerator::global()->bounded(0, 40000)));
            for (QProcess &copy : copies) {
                copy.kill();
                QVERIFY(copy.waitForFinished());
                QVERIFY2(copy.exitStatus() == QProcess::CrashExit, copy.readAllStandardError().constData());
                const QByteArray bytes = readAll(path);
                const auto n = quorvel::testing::wholeNumberedText(bytes);
                QVERIFY2(n, qPrintable(QStringLiteral("round %1 left %2 bytes: %3...")
                                           .arg(i).arg(bytes.size()).arg(QString::fromLatin1(bytes.left(40)))));
                cutMidRun += *n > 1;
            }
            // Each run clears away the copies of the runs before it.
            const QStringList beside = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            QVERIFY2(beside.size() <= 3, qPrintable(beside.join(u' ')));
        }
        QVERIFY(!scratch::write(path, u"last"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("customizer.html")});
        QVERIFY(cutMidRun > kRounds);
    }
};

QUORVEL_TEST_MAIN(TestScratchPage)
#include "tst_scratchpage.moc"
