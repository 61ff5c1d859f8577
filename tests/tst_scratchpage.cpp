// The scratch page writer on its own: what bytes a text becomes, and that a
// write replaces the page whole or leaves the previous one alone.
#include "testmain.h"
#include "workspace/scratchpage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
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
};

QUORVEL_TEST_MAIN(TestScratchPage)
#include "tst_scratchpage.moc"
