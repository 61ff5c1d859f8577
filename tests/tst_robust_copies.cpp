// Two copies of the program running at once on one home folder share the
// scratch page. Neither is in the other's way: both go on, and each pane
// shows its own copy's text after that copy's next change.
#include "app/screenregistry.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/workspacescreen.h"

#include <QPlainTextEdit>
#include <QProcess>

using namespace quorvel;
using quorvel::testing::readFile;
using quorvel::testing::shownText;

namespace {

// The other copy, a separate process.
class OtherCopy final {
public:
    OtherCopy() { m_process.start(QStringLiteral(ROBUST_COPY), {}); }
    ~OtherCopy()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool started() { return m_process.waitForStarted() && reply() == QByteArray("ready"); }
    QByteArray ask(const QString &command)
    {
        m_process.write(command.toUtf8() + '\n');
        return reply();
    }
    QString shown() { return QString::fromUtf8(ask(QStringLiteral("shown"))).replace(QStringLiteral("\\n"), QStringLiteral("\n")); }
    bool quit()
    {
        m_process.write("quit\n");
        return m_process.waitForFinished(30000) && m_process.exitStatus() == QProcess::NormalExit
            && m_process.exitCode() == 0;
    }

private:
    QByteArray reply()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(60000))
                return "<no reply>";
        return m_process.readLine().trimmed();
    }
    QProcess m_process;
};

} // namespace

class TestRobustCopies final : public QObject {
    Q_OBJECT

private slots:
    void twoCopies_eachPaneShowsItsOwnTextAfterItsOwnChange()
    {
        ScreenRegistry registry;
        registry.setEndHandler([](int) {});
        registry.setFatalReporter([](const QString &) {});
        registry.show(ScreenId::Form1);
        auto *mine = registry.screenAs<WorkspaceScreen>(ScreenId::Form1);
        QTest::keyClicks(mine->editor(), QStringLiteral("<p>mine first</p>"));
        QTRY_COMPARE(shownText(mine->pane()), QStringLiteral("mine first"));

        // The other copy starts on the same page and rewrites it at its load.
        OtherCopy other;
        QVERIFY(other.started());
        QCOMPARE(readFile(mine->pagePath()), QByteArray());
        QCOMPARE(shownText(mine->pane()), QStringLiteral("mine first"));

        constexpr int kRounds = 25;
        for (int i = 0; i < kRounds; ++i) {
            editor::setText(mine->editor(), QStringLiteral("<p>mine %1</p>").arg(i));
            QTRY_COMPARE(shownText(mine->pane()), QStringLiteral("mine %1").arg(i));

            QCOMPARE(other.ask(QStringLiteral("set <p>theirs %1</p>").arg(i)), QByteArray("ok"));
            QTRY_COMPARE(other.shown(), QStringLiteral("theirs %1").arg(i));
            // The page is the last writer's; this pane keeps what it showed.
            QCOMPARE(readFile(mine->pagePath()), QStringLiteral("<p>theirs %1</p>").arg(i).toLatin1());
            QCOMPARE(shownText(mine->pane()), QStringLiteral("mine %1").arg(i));
        }

        // Both change at once, over and over; the page is always one whole
        // text, and the next change of each copy shows its own.
        for (int i = 0; i < kRounds; ++i) {
            other.ask(QStringLiteral("set <p>theirs burst %1</p>").arg(i));
            editor::setText(mine->editor(), QStringLiteral("<p>mine burst %1</p>").arg(i));
            const QByteArray page = readFile(mine->pagePath());
            QVERIFY2(page == QStringLiteral("<p>theirs burst %1</p>").arg(i).toLatin1()
                         || page == QStringLiteral("<p>mine burst %1</p>").arg(i).toLatin1(),
                     page.constData());
        }
        editor::setText(mine->editor(), QStringLiteral("<p>mine last</p>"));
        QTRY_COMPARE(shownText(mine->pane()), QStringLiteral("mine last"));
        other.ask(QStringLiteral("set <p>theirs last</p>"));
        QTRY_COMPARE(other.shown(), QStringLiteral("theirs last"));

        QVERIFY(other.quit());
        QCOMPARE(mine->text(), QStringLiteral("<p>mine last</p>"));
        QTest::keyClicks(mine->editor(), QStringLiteral("!"));
        QCOMPARE(readFile(mine->pagePath()), QByteArray("<p>mine last</p>!"));
    }
};

QUORVEL_TEST_MAIN(TestRobustCopies)
#include "tst_robust_copies.moc"
