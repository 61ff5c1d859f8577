// The workspace screens as the learner sees them: every common control in its
// container at its place and size, with its caption, font and colour; the
// window properties; the editor; labels that show what they hold.
#include "app/controltable.h"
#include "app/screenregistry.h"
#include "testmain.h"
#include "workspace/editortext.h"
#include "workspace/workspacescreen.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextLayout>

using namespace quorvel;

namespace {

// Twips to device-independent pixels (15 to 1), rounded.
int pix(int twips) { return (twips + 7) / 15; }
QRect twips(int left, int top, int width, int height)
{
    return {pix(left), pix(top), pix(width), pix(height)};
}

// What differs between the six screens, as the course was designed.
struct Design {
    ScreenId id;
    QString caption;
    int clientWidth, clientHeight;
    int frame1Width, frame1Height, browserWidth, frame3Left, frame3Height;
    QString command1;
    int command1Left, command1Top, command1Width;
    QString continueCaption;
    int continueLeft, continueTop, continueWidth;
};

const QList<Design> &screens()
{
    static const QList<Design> all{
        {ScreenId::Form1, "Quorvel - HTML Lesson 1", 11640, 5655, 8775, 5640, 3555, 8760, 5655,
         "Lesson 1 Practice", 120, 5160, 1575, "&Lesson 2", 1920, 5160, 855},
        {ScreenId::Form2, "Quorvel - HTML Lesson 2", 11535, 5505, 8655, 5520, 3435, 8640, 5535,
         "Lesson 2 Practice", 120, 5040, 1455, "&Lesson 3", 1680, 5040, 1095},
        {ScreenId::Form3, "Quorvel - HTML Lesson 3", 11535, 5520, 8655, 5520, 3435, 8640, 5535,
         "Lesson 3 Practice", 120, 5040, 1695, "&Final", 1920, 5040, 855},
        {ScreenId::Form1Test, "Lesson 1 Practice", 11520, 5505, 8655, 5520, 3435, 8640, 5535,
         "Answer", 240, 5040, 1215, "&Lesson 2", 1680, 5040, 1095},
        {ScreenId::Form2Test, "Lesson 2 Practice", 11535, 5490, 8655, 5520, 3435, 8640, 5535,
         "Answer", 240, 5040, 1215, "&Lesson 3", 1680, 5040, 1095},
        {ScreenId::Form3Tutorial, "Lesson 3 Practice", 11535, 5505, 8655, 5520, 3435, 8640, 5535,
         "Answer", 240, 5040, 1215, "&Finish", 1680, 5040, 1095},
    };
    return all;
}

// The face a text of this size and weight is really drawn with: Wine's bitmap
// MS Sans Serif where it has the size, Arial's metrics everywhere else.
QString expectedFace(qreal points, bool bold)
{
    return points == 8.25 && !bold ? QStringLiteral("MS Sans Serif")
                                   : QStringLiteral("Liberation Sans");
}

QString captionOf(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QPushButton *>(w))
        return button->text();
    if (auto *box = qobject_cast<QGroupBox *>(w))
        return box->title();
    return {};
}

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

    void controls_data()
    {
        QTest::addColumn<int>("screenIndex");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("align");

        const int left = int(Qt::AlignLeft), centre = int(Qt::AlignHCenter);
        for (int i = 0; i < screens().size(); ++i) {
            const Design &s = screens()[i];
            const QString form = screenName(s.id);
            auto row = [&](const char *name, const char *container, QRect geometry,
                           const QString &caption, qreal points, bool bold,
                           QColor colour = {}, int align = 0) {
                QTest::addRow("%s: %s", qPrintable(form), name)
                    << i << QString::fromLatin1(name) << QString::fromLatin1(container)
                    << geometry << caption << points << bold << colour << align;
            };
            row("Frame1", "", twips(0, 0, s.frame1Width, s.frame1Height), "", 8.25, false);
            row("Frame2", "Frame1", twips(0, 480, 5055, 4935), "", 8.25, false);
            row("lblMisc", "Frame2", twips(240, 240, 1455, 255), "Item Description :", 8.25,
                true, {}, left);
            row("txtItemDescription", "Frame2", twips(120, 600, 4815, 3615), "", 9.75, false);
            row("cmdClear", "Frame2", twips(3840, 4440, 1095, 375), "Clear", 8.25, false);
            row("lblTime", "Frame1", twips(1920, 240, 2055, 375), "(clock)", 9.75, true, {},
                centre);
            row("Label8", "Frame1", twips(5160, 240, 3255, 375), "--   Preview Screen  --", 12,
                true, QColor(0x00, 0x00, 0xFF), centre);
            row("WebBrowser1", "Frame1", twips(5160, 600, s.browserWidth, 4845), "", 8.25, false);
            row("Frame3", "", twips(s.frame3Left, 0, 2895, s.frame3Height), "Instructions", 8.25,
                false);
            row("Command1", "Frame3", twips(s.command1Left, s.command1Top, s.command1Width, 375),
                s.command1, 8.25, false);
            row("cmdContinue", "Frame3",
                twips(s.continueLeft, s.continueTop, s.continueWidth, 375), s.continueCaption,
                8.25, false);
        }
    }

    void controls()
    {
        QFETCH(int, screenIndex);
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QFETCH(QColor, colour);
        QFETCH(int, align);

        WorkspaceScreen *window = screen(screens()[screenIndex].id);
        QVERIFY(window);
        auto *w = window->findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QWidget *parent = w->parentWidget();
        QCOMPARE(parent == window ? QString() : parent->objectName(), container);
        QCOMPARE(w->geometry(), geometry);

        if (caption == QLatin1String("(clock)")) {
            QVERIFY(captionOf(w) != QLatin1String("Time"));
        } else {
            QCOMPARE(captionOf(w), caption);
        }

        QCOMPARE(w->font().pointSizeF(), points);
        QCOMPARE(w->font().bold(), bold);
        QCOMPARE(QFontInfo(w->font()).family(), expectedFace(points, bold));
        if (colour.isValid())
            QCOMPARE(w->palette().color(QPalette::WindowText), colour);
        if (align) {
            auto *label = qobject_cast<QLabel *>(w);
            QVERIFY(label);
            QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), align);
        }
    }

    void window_data()
    {
        QTest::addColumn<int>("screenIndex");
        for (int i = 0; i < screens().size(); ++i)
            QTest::addRow("%s", qPrintable(screenName(screens()[i].id))) << i;
    }

    void window()
    {
        QFETCH(int, screenIndex);
        const Design &s = screens()[screenIndex];
        WorkspaceScreen *w = screen(s.id);
        QCOMPARE(w->windowTitle(), s.caption);
        QCOMPARE(w->size(), QSize(pix(s.clientWidth), pix(s.clientHeight)));
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint || !(flags & Qt::CustomizeWindowHint));

        auto *frame3 = w->findChild<QWidget *>(QStringLiteral("Frame3"));
        auto *next = w->findChild<QWidget *>(QStringLiteral("cmdContinue"));
        const QRect frame3Place = frame3->geometry(), nextPlace = next->geometry();

        if (s.id == ScreenId::Form1) {
            // Fixed single border: the learner cannot resize it, and neither
            // maximise nor minimise is offered.
            QCOMPARE(w->minimumSize(), w->size());
            QCOMPARE(w->maximumSize(), w->size());
            QVERIFY(flags & Qt::CustomizeWindowHint);
            QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
            QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
            QVERIFY(flags & Qt::WindowCloseButtonHint);
            QVERIFY(w->testAttribute(Qt::WA_SetWindowIcon));
            const QList<QSize> sizes = w->windowIcon().availableSizes();
            QVERIFY(sizes.contains(QSize(16, 16)));
            QVERIFY(sizes.contains(QSize(32, 32)));
        } else {
            QVERIFY(!w->testAttribute(Qt::WA_SetWindowIcon));
            QCOMPARE(w->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
            const QSize stored = w->size();
            // Growing leaves empty space, shrinking cuts off: nothing moves.
            for (QSize to : {stored + QSize(200, 150), stored - QSize(300, 200)}) {
                w->resize(to);
                QCOMPARE(w->size(), to);
                QCOMPARE(frame3->geometry(), frame3Place);
                QCOMPARE(next->geometry(), nextPlace);
            }
            w->resize(stored);
        }
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
        for (const Design &s : screens()) {
            for (QLabel *label : screen(s.id)->findChildren<QLabel *>()) {
                QCOMPARE(label->textFormat(), Qt::PlainText);
                QVERIFY(!label->buddy());
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
