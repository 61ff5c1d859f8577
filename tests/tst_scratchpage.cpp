// SPDX-License-Identifier: GPL-3.0-or-later
// The scratch page writer on its own: what bytes a text becomes; that a write
// replaces the page whole or reports why it left it alone, each case in a
// folder of its own. (That a run killed inside a write leaves the page whole
// and nothing beside it is QSaveFile's and the kernel's: an unnamed file,
// renamed over the page once whole.)
#include "preview/scratchpage.h"
#include "testmain.h"
#include "testutil.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>

using namespace quorvel;
using quorvel::testing::readFile;

namespace {

QStringList entriesIn(const QTemporaryDir &dir)
{
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
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
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII, NUL and controls pass as they are") << QString::fromLatin1("<B>\r\n\0\x01\x7f", 8) << QByteArray("<B>\r\n\0\x01\x7f", 8);
        QTest::newRow("Latin-1, no-break space, euro, CJK: one reference each") << QString::fromUtf8("\u00e9\u00a0\u20ac\u4e2d") << QByteArray("&#233;&#160;&#8364;&#20013;");
        QTest::newRow("outside the BMP: one reference, not two halves") << QString::fromUtf8("\U0001F600!") << QByteArray("&#128512;!");
        QTest::newRow("lone surrogates, the low one last: kept as references") << QString(QChar(0xD800)) + u'a' + QChar(0xDC00) << QByteArray("&#55296;a&#56320;");
        // clang-format on
    }
    void encode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(scratch::encode(text), bytes);
    }

    void write_data()
    {
        // clang-format off
        QTest::addColumn<QString>("before"); // in the page's place: page, read-only, link, folder
        QTest::addColumn<int>("size");       // of the text written
        QTest::addColumn<int>("room");       // bytes a file may take; 0: no limit
        QTest::addColumn<bool>("written");
        QTest::newRow("a longer page is replaced whole by a shorter text") << "page" << 10 << 0 << true;
        QTest::newRow("an empty text makes an empty page") << "page" << 0 << 0 << true;
        QTest::newRow("no page yet: made") << "" << 10 << 0 << true;
        QTest::newRow("no folder: reported, nothing made") << "no folder" << 10 << 0 << false;
        QTest::newRow("a full disk, the write falls short: the page stays") << "page" << 100000 << 4096 << false;
        QTest::newRow("a full disk only the flush finds: the page stays") << "page" << 10000 << 4096 << false;
        QTest::newRow("a read-only page is left alone") << "read-only" << 10 << 0 << false;
        QTest::newRow("a link in the page's place is not written through") << "link" << 10 << 0 << false;
        QTest::newRow("a folder in the page's place is left as it is") << "folder" << 10 << 0 << false;
        // clang-format on
    }

    // Whatever happens, no file is left open and nothing is left beside the page.
    void write()
    {
        QFETCH(QString, before);
        QFETCH(int, size);
        QFETCH(int, room);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString path = dir.filePath(before == u"no folder" ? QStringLiteral("gone/page.html")
                                                                 : QStringLiteral("page.html"));
        QFile old(before == u"link" ? dir.filePath(QStringLiteral("target")) : path);
        if (before == u"page" || before == u"read-only" || before == u"link")
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(5000, 'o')) == 5000);
        old.close();
        QVERIFY(before != u"read-only" || old.setPermissions(QFile::ReadOwner));
        QVERIFY(before != u"link" || QFile::link(old.fileName(), path));
        QVERIFY(before != u"folder" || QDir().mkdir(path));
        const QByteArray pageBefore = readFile(path);
        const QStringList entries = entriesIn(dir);
        const qsizetype open = openFiles();

        // Files limited to `room` bytes, as a disk with that much room would.
        rlimit was;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &was) == 0);
        const rlimit limit{room ? rlim_t(room) : was.rlim_cur, was.rlim_max};
        const auto sigxfsz = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto failure = scratch::write(path, QString(size, u'x'));
        setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, sigxfsz);
        QVERIFY2(failure.has_value() != written, qPrintable(failure.value_or("written")));
        QVERIFY(!failure || !failure->isEmpty());
        QCOMPARE(readFile(path), written ? QByteArray(size, 'x') : pageBefore);
        QCOMPARE(entriesIn(dir), before.isEmpty() ? QStringList{"page.html"} : entries);
        QCOMPARE(QFileInfo(path).isSymLink(), before == u"link");
        QVERIFY(before != u"folder" || QDir(path).isEmpty());
        QCOMPARE(openFiles(), open);
    }
};

QUORVEL_TEST_MAIN(TestScratchPage)
#include "tst_scratchpage.moc"
