// The workspace screens as the learner sees them: the faces the fonts really
// use, the windows' borders, the clock's one visible line, labels that show
// what they hold, and the editor.
#include "app/controltable.h"
#include "app/screenregistry.h"
#include "testmain.h"
#include "workspace/editortext.h"
#include "workspace/workspacescreen.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

using namespace quorvel;

namespace {

// Twips to device-independent pixels (15 to 1), rounded.
int pix(int twips) { return (twips + 7) / 15; }

constexpr ScreenId kWorkspaces[] = {ScreenId::Form1, ScreenId::Form1Test, ScreenId::Form2,
                                    ScreenId::Form2Test, ScreenId::Form3, ScreenId::Form3Tutorial};

} // namespace

class LayoutTest final : public QObject {
    Q_OBJECT

    ScreenRegistry *m_registry = nullptr;

    WorkspaceScreen *screen(ScreenId id) { return m_registry->screenAs<WorkspaceScreen>(id); }

private slots:
    void initTestCase()
    {
        m_registry = new ScreenRegistry;
        m_registry->setEndHandler([](int) {});
        m_registry->setFatalReporter([](const QString &m) { QFAIL(qPrintable(m)); });
    }
    void cleanupTestCase() { delete m_registry; }

    void fonts_registeredFacesAreUsed()
    {
        // A request that silently fell back to another face would change every
        // line break on the screens.
        const QFontInfo standard(font(FontRole::Default));
        QCOMPARE(standard.family(), QStringLiteral("MS Sans Serif"));
        QVERIFY(!standard.bold());
        const QFontInfo bold(font(FontRole::DefaultBold));
        QCOMPARE(bold.family(), QStringLiteral("Liberation Sans"));
        QVERIFY(bold.bold());
        QCOMPARE(QFontInfo(font(FontRole::PreviewTitle)).pointSizeF(), 12.0);
        QCOMPARE(QFontInfo(font(FontRole::SplashTitle)).family(), QStringLiteral("Liberation Sans"));

        // Letters stand side by side: no ligature turns "TM" into a sign.
        for (FontRole role : {FontRole::Default, FontRole::Editor, FontRole::PreviewTitle}) {
            const QFontMetricsF fm(font(role));
            qreal sum = 0;
            for (QChar c : QStringLiteral("HTML"))
                sum += fm.horizontalAdvance(c);
            QCOMPARE(fm.horizontalAdvance(QStringLiteral("HTML")), sum);
        }
    }

    void window_fixedOnLesson1_othersResizeWithoutMovingAnything()
    {
        // Lesson 1 has a fixed single border: no resizing, no maximise or
        // minimise, and the program's icon.
        WorkspaceScreen *fixed = screen(ScreenId::Form1);
        const Qt::WindowFlags flags = fixed->windowFlags();
        QCOMPARE(fixed->minimumSize(), fixed->size());
        QCOMPARE(fixed->maximumSize(), fixed->size());
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        const QList<QSize> sizes = fixed->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));

        // The others grow into empty space and shrink by cutting off.
        WorkspaceScreen *w = screen(ScreenId::Form2Test);
        QCOMPARE(w->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        auto *frame3 = w->findChild<QWidget *>(QStringLiteral("Frame3"));
        auto *next = w->findChild<QWidget *>(QStringLiteral("cmdContinue"));
        const QRect frame3Place = frame3->geometry(), nextPlace = next->geometry();
        const QSize stored = w->size();
        for (QSize to : {stored + QSize(200, 150), stored - QSize(300, 200)}) {
            w->resize(to);
            QCOMPARE(w->size(), to);
            QCOMPARE(frame3->geometry(), frame3Place);
            QCOMPARE(next->geometry(), nextPlace);
        }
        w->resize(stored);
    }

    void clock_lowerHalfUnderFrame2()
    {
        WorkspaceScreen *w = screen(ScreenId::Form2);
        auto *frame1 = w->findChild<QWidget *>(QStringLiteral("Frame1"));
        auto *frame2 = w->findChild<QWidget *>(QStringLiteral("Frame2"));
        QLabel *clock = w->clockLabel();
        const QRect place = clock->geometry();
        QCOMPARE(frame1->childAt(place.center().x(), pix(240) + 4), clock);
        QCOMPARE(frame1->childAt(place.center().x(), pix(480) + 4), frame2);

        // Frame2 hides what the clock would draw below its one visible line.
        clock->setText(QStringLiteral("WWWW WWWW WWWW WWWW WWWW WWWW WWWW WWWW"));
        const QImage image = frame1->grab().toImage();
        const QRect hidden(place.left(), pix(480) + 4, place.width(), place.bottom() - pix(480) - 4);
        const QRgb background = image.pixel(hidden.topLeft());
        for (int y = hidden.top(); y <= hidden.bottom(); ++y)
            for (int x = hidden.left(); x <= hidden.right(); ++x)
                QCOMPARE(image.pixel(x, y), background);
        // ...while the visible band does show it.
        bool inked = false;
        for (int x = place.left(); x <= place.right() && !inked; ++x)
            inked = image.pixel(x, place.top() + 8) != image.pixel(place.left(), place.top() + 1);
        QVERIFY(inked);
    }

    void labels_showTheirTextAsTyped()
    {
        // Every label of every workspace screen, whatever it holds.
        int withTags = 0;
        for (ScreenId id : kWorkspaces) {
            for (QLabel *label : screen(id)->findChildren<QLabel *>()) {
                QCOMPARE(label->textFormat(), Qt::PlainText);
                // A buddy would take an "&" in the caption for an access key.
                QVERIFY(!label->buddy() || !label->text().contains(QLatin1Char('&')));
                withTags += label->text().contains(QLatin1Char('<'));
            }
        }
        QVERIFY(withTags > 0);

        // A label sized to its caption is as wide as every character of it:
        // the tags and the '&' are drawn, not read.
        QWidget host;
        const QString caption = QStringLiteral("<B>Tom</B> & <I>Jerry</I><BR>");
        buildControls(&host, {{.name = "probe", .kind = Kind::AutoLabel, .caption = caption,
                               .left = 0, .top = 0, .width = 15, .height = 255}});
        auto *probe = host.findChild<QLabel *>(QStringLiteral("probe"));
        QCOMPARE(probe->text(), caption);
        QVERIFY(probe->width() >= QFontMetrics(probe->font()).horizontalAdvance(caption));
    }

    void editor_wrapsScrollsAndBreaksWithCrLf()
    {
        WorkspaceScreen *w = screen(ScreenId::Form3);
        m_registry->show(ScreenId::Form3);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QPlainTextEdit *edit = w->editor();
        QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(edit->verticalScrollBar()->isVisible());
        QVERIFY(!edit->horizontalScrollBar()->isVisible());
        QVERIFY(!edit->isReadOnly());
        QVERIFY(edit->tabChangesFocus());

        edit->setFocus();
        editor::setText(edit, u"");
        QTest::keyClicks(edit, QStringLiteral("one"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("two"));
        QCOMPARE(editor::text(edit), QStringLiteral("one\r\ntwo"));

        // A long line wraps at the box's width instead of scrolling sideways.
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("a long line of words ").repeated(8));
        const QTextBlock last = edit->document()->lastBlock();
        QVERIFY(last.layout()->lineCount() > 1);
        QCOMPARE(edit->horizontalScrollBar()->maximum(), 0);

        // More lines than the box holds scroll with the vertical bar.
        QCOMPARE(edit->verticalScrollBar()->maximum(), 0);
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(edit->verticalScrollBar()->maximum() > 0);
        editor::setText(edit, u"");
    }
};

QUORVEL_TEST_MAIN(LayoutTest)
#include "tst_layout.moc"
