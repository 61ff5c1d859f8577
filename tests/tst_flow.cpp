// The screen flow: the splash's hand-over, every row of the navigation table
// by click and by access key, one instance per screen, and the ways the
// program ends.
#include "app/screen.h"
#include "app/screenregistry.h"
#include "app/splashscreen.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <memory>

using namespace quorvel;
using quorvel::testing::kPageTimeoutMs;
using quorvel::testing::visibleWindows;
using Run = quorvel::testing::CourseRun;

namespace {

using Presses = QList<QPair<int, QString>>; // screen, button

QStringList visibleNames() {
    QStringList names;
    for (QWidget *w : visibleWindows())
        names << w->objectName();
    return names;
}

} // namespace

class TestFlow final : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // Each run starts from a clean home: no page left from another test.
        QFile::remove(scratch::defaultPath());
    }

    void splash_handsOverToLesson1AfterItsInterval() {
        Run run;
        run.registry.show(ScreenId::Splash);
        QCOMPARE(visibleNames(), QStringList{QStringLiteral("frmSplash")});
        auto *splash = run.registry.screenAs<SplashScreen>(ScreenId::Splash);
        QVERIFY(splash->timer()->isActive());
        QCOMPARE(splash->timer()->interval(), 1000);
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(splash->windowTitle().isEmpty());
        QVERIFY(!run.registry.isLoaded(ScreenId::Form1));

        QTRY_COMPARE_WITH_TIMEOUT(visibleNames(), QStringList{QStringLiteral("Form1")},
                                  kPageTimeoutMs);
        QVERIFY(!run.registry.isLoaded(ScreenId::Splash));
        QCOMPARE(run.registry.loadCount(ScreenId::Splash), 1);
        QVERIFY(!run.endedWith);
    }

    void splash_keyPress_goesAtOnceAndLesson1FollowsOneIntervalLater() {
        Run run;
        run.registry.show(ScreenId::Splash);
        QWidget *first = run.registry.screen(ScreenId::Splash);
        QTest::keyClick(first, Qt::Key_A);

        // Gone at once; a fresh splash is loaded hidden with its timer armed.
        QVERIFY(visibleNames().isEmpty());
        QCOMPARE(run.registry.loadCount(ScreenId::Splash), 2);
        auto *again = qobject_cast<SplashScreen *>(run.registry.loadedScreen(ScreenId::Splash));
        QVERIFY(again && again != first);
        QVERIFY(!again->isVisible());
        QVERIFY(again->timer()->isActive());
        QVERIFY(!run.registry.isLoaded(ScreenId::Form1));

        // The program keeps running through the gap and Lesson 1 appears.
        QTRY_COMPARE_WITH_TIMEOUT(visibleNames(), QStringList{QStringLiteral("Form1")},
                                  kPageTimeoutMs);
        QVERIFY(!run.endedWith);
        QVERIFY(!run.registry.isLoaded(ScreenId::Splash));
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

    void navigation_data() {
        QTest::addColumn<Presses>("presses");
        QTest::addColumn<QList<int>>("expectedLoaded");
        using P = QPair<int, QString>;
        const QString cont = QStringLiteral("cmdContinue");
        const QString cmd1 = QStringLiteral("Command1");
        QTest::newRow("nominal: with every practice")
            << QList<P>{{int(ScreenId::Form1), cmd1}, {int(ScreenId::Form1Test), cont},
                        {int(ScreenId::Form2), cmd1}, {int(ScreenId::Form2Test), cont},
                        {int(ScreenId::Form3), cmd1}, {int(ScreenId::Form3Tutorial), cont}}
            << QList<int>{int(ScreenId::Form1), int(ScreenId::Form1Test),
                          int(ScreenId::Form2), int(ScreenId::Form2Test),
                          int(ScreenId::Form3), int(ScreenId::Form3Tutorial),
                          int(ScreenId::Final)};
        QTest::newRow("nominal: lessons only")
            << QList<P>{{int(ScreenId::Form1), cont},
                        {int(ScreenId::Form2), cont},
                        {int(ScreenId::Form3), cont}}
            << QList<int>{int(ScreenId::Form1), int(ScreenId::Form2), int(ScreenId::Form3),
                          int(ScreenId::Final)};
    }
    void navigation() {
        QFETCH(Presses, presses);
        QFETCH(QList<int>, expectedLoaded);
        Run run;
        run.registry.show(ScreenId::Form1);
        auto *form1 = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form1);
        QTest::keyClicks(form1->editor(), QStringLiteral("kept"));

        for (const auto &[screen, name] : presses) {
            const auto from = ScreenId(screen);
            QVERIFY(run.registry.screen(from)->isVisible());
            QPushButton *b = run.button(from, name);
            QVERIFY2(b, qPrintable(name));
            b->click();
            // Exactly one window on view after every move, and it is not the one left.
            QCOMPARE(visibleWindows().size(), 1);
            QVERIFY(!run.registry.screen(from)->isVisible());
        }
        QCOMPARE(visibleNames(), QStringList{QStringLiteral("formFinal")});
        for (const ScreenId id : kAllScreens) {
            const bool expected = expectedLoaded.contains(int(id));
            QCOMPARE(run.registry.isLoaded(id), expected);
            QCOMPARE(run.registry.loadCount(id), expected ? 1 : 0);
        }
        // Screens left behind keep their state.
        QCOMPARE(form1->text(), QStringLiteral("kept"));
        QVERIFY(form1->clockTimer()->isActive());
        QVERIFY(!run.endedWith);
    }

    void exit_endsWithStatusZero_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << QStringLiteral("click");
        QTest::newRow("space bar") << QStringLiteral("space");
        QTest::newRow("Alt+X") << QStringLiteral("alt-x");
    }
    void exit_endsWithStatusZero() {
        QFETCH(QString, how);
        Run run;
        run.registry.show(ScreenId::Form1);
        run.button(ScreenId::Form1, QStringLiteral("cmdContinue"))->click();
        run.button(ScreenId::Form2, QStringLiteral("cmdContinue"))->click();
        run.button(ScreenId::Form3, QStringLiteral("cmdContinue"))->click();
        QWidget *final = run.registry.screen(ScreenId::Final);
        QVERIFY(QTest::qWaitForWindowActive(final));
        QPushButton *exit = run.button(ScreenId::Final, QStringLiteral("Command1"));
        QCOMPARE(exit->text(), QStringLiteral("E&xit"));
        QCOMPARE(QApplication::focusWidget(), exit);

        if (how == QLatin1String("click"))
            QTest::mouseClick(exit, Qt::LeftButton);
        else if (how == QLatin1String("space"))
            QTest::keyClick(exit, Qt::Key_Space);
        else
            QTest::keyClick(final, Qt::Key_X, Qt::AltModifier);
        QTRY_COMPARE(run.endedWith, std::optional<int>(0));
        // Every window goes, hidden ones included; the page stays on disk.
        QVERIFY(visibleWindows().isEmpty());
        QVERIFY(QFile::exists(scratch::defaultPath()));
    }

    void closingAnyWindowThroughItsFrame_endsTheProgram_data() {
        QTest::addColumn<int>("screen");
        for (const ScreenId id : kAllScreens)
            QTest::newRow(qPrintable(screenName(id))) << int(id);
    }
    void closingAnyWindowThroughItsFrame_endsTheProgram() {
        QFETCH(int, screen);
        Run run;
        run.registry.show(ScreenId(screen));
        QWidget *w = run.registry.screen(ScreenId(screen));
        QVERIFY(w->isVisible());
        w->close(); // what the window manager's close request arrives as
        QCOMPARE(run.endedWith, std::optional<int>(0));
        QVERIFY(visibleWindows().isEmpty());
    }

    void centring_data() {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("nominal: fits")
            << QSize(776, 401) << QRect(0, 0, 1280, 1024) << QPoint(252, 311);
        QTest::newRow("nominal: second screen offset")
            << QSize(200, 100) << QRect(1280, 0, 1000, 800) << QPoint(1680, 350);
        QTest::newRow("robustness: larger than the desktop, not clamped")
            << QSize(800, 600) << QRect(0, 0, 640, 480) << QPoint(-80, -60);
        QTest::newRow("robustness: half pixels are not rounded up")
            << QSize(101, 51) << QRect(0, 0, 200, 100) << QPoint(49, 24);
    }
    void centring() {
        QFETCH(QSize, outer);
        QFETCH(QRect, desktop);
        QFETCH(QPoint, expected);
        QCOMPARE(Screen::centredPosition(outer, desktop), expected);
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
