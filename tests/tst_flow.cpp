// The screen flow in process, where the end-to-end walks cannot look: keys
// and clicks the splash ignores, every screen first shown centred, and a
// later screen that cannot write the page going on rather than ending.
// (Hand-over, navigation, Exit and closing windows are walked end to end.)
#include "app/screen.h"
#include "app/screenregistry.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

using namespace quorvel;
using quorvel::testing::kPageTimeoutMs;
using Run = quorvel::testing::CourseRun;

class TestFlow final : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // Each run starts from a clean home: no page left from another test.
        QFile::remove(scratch::defaultPath());
    }

    void splash_keysWithoutCharacterAndClicksDoNothing() {
        Run run;
        run.registry.show(ScreenId::Splash);
        QWidget *splash = run.registry.screen(ScreenId::Splash);
        for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Left, Qt::Key_F5, Qt::Key_Control})
            QTest::keyClick(splash, key);
        QTest::mouseClick(splash->findChild<QWidget *>(QStringLiteral("Frame2")), Qt::LeftButton);
        QTest::mouseClick(splash->findChild<QWidget *>(QStringLiteral("Label4")), Qt::LeftButton);
        QVERIFY(splash->isVisible());
        QCOMPARE(run.registry.loadCount(ScreenId::Splash), 1);
    }

    void centring_everyScreenIsFirstShownCentred() {
        Run run;
        const QRect desk = QGuiApplication::primaryScreen()->geometry();
        for (const ScreenId id : kAllScreens) {
            QWidget *w = run.registry.screen(id);
            QCOMPARE(w->pos(), Screen::centredPosition(w->frameGeometry().size(), desk));
        }
    }

    void laterWorkspaceCannotCreateThePage_goesOn() {
        Run run;
        run.registry.show(ScreenId::Form1);
        // Something other than a file takes the page's place before Lesson 2 loads.
        const QString page = scratch::defaultPath();
        QVERIFY(QFile::remove(page));
        QVERIFY(QDir().mkpath(page));
        run.button(ScreenId::Form1, QStringLiteral("cmdContinue"))->click();
        auto *form2 = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2);
        QVERIFY(form2->isVisible());
        QVERIFY(!run.endedWith);
        QVERIFY(run.fatalMessages.isEmpty());
        QVERIFY(form2->pageWriteFailed());
        QTRY_VERIFY_WITH_TIMEOUT(quorvel::testing::shownText(form2->pane())
                                     .contains(QStringLiteral("could not be saved")),
                                 kPageTimeoutMs);
        QVERIFY(QDir(page).removeRecursively());
        QTest::keyClicks(form2->editor(), QStringLiteral("back"));
        QVERIFY(!form2->pageWriteFailed());
        QCOMPARE(quorvel::testing::readFile(page), QByteArray("back"));
    }
};

QUORVEL_TEST_MAIN(TestFlow)
#include "tst_flow.moc"
