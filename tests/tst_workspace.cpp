// SPDX-License-Identifier: GPL-3.0-or-later
// A workspace screen from the inside, on the real screens with the real
// engine: the load, the clock, the appends, Clear and their undo, links, the
// hint, the fonts and labels, the splash's keys; and the
// keyboard: where the focus starts, the order in which Tab and Shift+Tab
// visit the controls (the pane included, which takes the focus through a child
// it makes with its first page, and the links of the page inside it), access
// keys from inside the pane. The course's texts and paths are the end-to-end
// walks' (tests/e2e/walk.sh).
#include "testmain.h"
#include "testutil.h"
#include "ui/controltable.h"
#include "workspace/editortext.h"
#include "workspace/markuphint.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimer>
#include <clocale>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

// The faces the screens are drawn in: fonts-wine's bitmap MS Sans Serif and
// Liberation Sans (scripts/install-deps.sh installs both).
bool courseFonts()
{
    return QFile::exists(QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf")) &&
           QFontDatabase::hasFamily(QStringLiteral("Liberation Sans"));
}

// The clock's text is in `form` and says a time from `since` to now (read
// back with Qt's `qtFormat`).
bool saysNow(const QString &text, const char *form, const char *qtFormat, const QDateTime &since)
{
    const QDateTime shown = QDateTime::fromString(text, QLatin1String(qtFormat));
    return QRegularExpression(QLatin1String(form)).match(text).hasMatch() &&
           shown >= since.addSecs(-1) && shown <= QDateTime::currentDateTime();
}

// Where the keyboard is: the control (the pane's children count as the
// pane) and, inside the pane, the page's element.
QString focused(const WorkspaceScreen *w)
{
    QWidget *f = QApplication::focusWidget();
    if (!f || !(f == w->pane() || w->pane()->isAncestorOf(f)))
        return f ? f->objectName() : QStringLiteral("(none)");
    const auto element = evaluate(w->pane(), QStringLiteral("document.activeElement.textContent"));
    return QStringLiteral("WebBrowser1:") + (element ? element->toString() : QString());
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = QApplication::focusWidget();
    QTest::keyClick(target ? target : QApplication::activeWindow(), Qt::Key(key), modifiers);
}

} // namespace

// Records the mail links the pane hands to the system instead of following them.
class MailCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestWorkspace final : public QObject {
    Q_OBJECT

private slots:
    // An old page is neither kept nor shown; the clock says now from the
    // first frame, in the user's forms, fits its line, and follows a change
    // of the regional settings at its next tick.
    void load_replacesOldPage_clockSaysNowInTheUsersForm()
    {
        QFile old(scratch::defaultPath());
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("<h1>left from an earlier run</h1>"));
        old.close();
        // LC_TIME as a change of the user's regional settings makes it
        // (tests/CMakeLists.txt compiles both locales).
        const auto restore = qScopeGuard([was = QByteArray(std::setlocale(LC_TIME, nullptr))] {
            std::setlocale(LC_TIME, was.constData());
        });
        if (!std::setlocale(LC_TIME, "de_DE.UTF-8") || !std::setlocale(LC_TIME, "en_US.UTF-8"))
            QSKIP("the en_US and de_DE locales are not compiled (LOCPATH, tests/CMakeLists.txt)");
        const QDateTime since = QDateTime::currentDateTime();
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QLabel *clock = s->clockLabel();
        const QString seen = clock->text(); // before the first frame
        QVERIFY2(saysNow(seen, R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M$)",
                         "MM/dd/yyyy hh:mm:ss AP", since),
                 qPrintable(seen));
        QVERIFY(QFontMetricsF(clock->font()).horizontalAdvance(seen) <=
                clock->contentsRect().width());
        QCOMPARE(readFile(s->pagePath()), QByteArray());
        QTRY_VERIFY_WITH_TIMEOUT(s->pane()->url() == QUrl::fromLocalFile(s->pagePath()) &&
                                     shownText(s->pane()).isEmpty(),
                                 kPageTimeoutMs);

        const QDateTime later = QDateTime::currentDateTime();
        std::setlocale(LC_TIME, "de_DE.UTF-8");
        QTRY_VERIFY_WITH_TIMEOUT(saysNow(clock->text(), R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$)",
                                         "dd.MM.yyyy HH:mm:ss", later),
                                 3000);
        if (!courseFonts())
            QSKIP("whether the German time fits unnarrowed depends on the course's fonts");
        QCOMPARE(clock->font().stretch(), int(QFont::Unstretched));
    }

    void edits_data()
    {
        // clang-format off
        QTest::addColumn<ScreenId>("screen");
        QTest::addColumn<QString>("name");
        QTest::newRow("Show Me: appends at the end, keeps the selection, one refresh, one undo") << ScreenId::Form1 << QStringLiteral("ShowMe2");
        QTest::newRow("Answer: the same, a refresh per line, the whole answer one undo") << ScreenId::Form2Test << QStringLiteral("Command1");
        QTest::newRow("Clear: empties page and preview, keeps the focus, can be undone") << ScreenId::Form1Test << QStringLiteral("cmdClear");
        // clang-format on
    }
    void edits()
    {
        QFETCH(ScreenId, screen);
        QFETCH(QString, name);
        const bool clear = name == QLatin1String("cmdClear");
        CourseRun run;
        WorkspaceScreen *s = run.show(screen);
        QPlainTextEdit *editor = s->editor();
        auto *button = s->findChild<QPushButton *>(name);
        editor::setText(editor, u"Hello"); // no line break: an append continues the line
        QVERIFY(shows(s->pane(), QStringLiteral("Hello")));
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        // Each refresh leaves the page as the text then stood.
        QStringList pages;
        connect(s, &WorkspaceScreen::refreshed, s,
                [&] { pages << QString::fromLatin1(readFile(s->pagePath())); });
        button->setFocus();
        QTest::mouseClick(button, Qt::LeftButton);
        const QString text = s->text();
        QStringList steps{text};
        if (name == QLatin1String("Command1")) {
            steps.clear();
            for (auto end = text.indexOf(u"\r\n"); end >= 0; end = text.indexOf(u"\r\n", end + 2))
                steps << text.left(end + 2);
        }
        QCOMPARE(pages, steps);
        QVERIFY(clear ? text.isEmpty() : text.startsWith(u"Hello") && text.size() > 5);
        QCOMPARE(editor->textCursor().selectedText(), clear ? QString() : QStringLiteral("ell"));
        QVERIFY(button->hasFocus());
        if (clear) {
            QTRY_COMPARE_WITH_TIMEOUT(shownText(s->pane()), QString(), kPageTimeoutMs);
            button->click(); // on an empty editor: nothing breaks
        }
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s->text(), QStringLiteral("Hello"));
        QCOMPARE(readFile(s->pagePath()), QByteArray("Hello"));
    }

    // A web link loads in the pane (local pages may not reach the web by
    // themselves), and the next change brings the learner's page back; a mail
    // link goes to the system's mail program. Nothing needs to answer at the
    // link's address: where the pane goes is what counts.
    void links_loadInThePane_mailGoesToTheMailProgram()
    {
        MailCatcher mail;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "open");
        const auto unset =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); });
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form3);
        const QUrl web(QStringLiteral("http://127.0.0.1:9/"));
        // Each link a band across the pane, the mail link at the top.
        editor::setText(s->editor(),
                        QStringLiteral("<style>a { display: block; height: 50px }</style>"
                                       "<A HREF=mailto: support@example.com> Support "
                                       "</A><A HREF=\"%1\">next</A>")
                            .arg(web.toString()));
        QVERIFY(shows(s->pane(), QStringLiteral("Support\nnext")));
        // Real clicks: the engine hands links on only for a user's gesture.
        QTest::mouseClick(s->pane()->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(waitUntil([&mail] { return !mail.urls.isEmpty(); }, kPageTimeoutMs));
        QVERIFY(mail.urls.size() == 1 && mail.urls.first().scheme() == u"mailto");
        QCOMPARE(s->pane()->url(), QUrl::fromLocalFile(s->pagePath()));
        QTest::mouseClick(s->pane()->focusProxy(), Qt::LeftButton, {}, QPoint(20, 70));
        QTRY_COMPARE_WITH_TIMEOUT(s->pane()->url(), web, kPageTimeoutMs);
        QTest::keyClick(s->editor(), Qt::Key_Z);
        QVERIFY(shows(s->pane(), QStringLiteral("Support\nnext\nz")));
        QCOMPARE(s->pane()->url(), QUrl::fromLocalFile(s->pagePath()));
    }

    // The hint waits for a pause, or for the caret to leave the line just
    // changed; it underlines the place, stays inside the editor clear of the
    // caret's line, and goes with Escape until the next change, while the
    // description a screen reader reads stays as long as the mistake does.
    // (With real keys, the keyboard stays in the editor: e2e/a11y.sh.)
    void hint_comesAtAPauseOrOffTheLine_staysInTheEditor_goes()
    {
        CourseRun run;
        WorkspaceScreen *s = run.show(ScreenId::Form1);
        QPlainTextEdit *editor = s->editor();
        editor->setFocus();
        QTest::keyClicks(editor, QStringLiteral("<b>first line</b>"));
        QTest::keyClick(editor, Qt::Key_Return);
        // A line long enough to wrap: the caret ends a row below the mistake.
        QTest::keyClicks(editor, QStringLiteral("Hello <B>world") +
                                     QStringLiteral(" and more words").repeated(8));
        const auto says = [s](const char *words) {
            return s->hint()->sentence().contains(QLatin1String(words));
        };
        QVERIFY(s->hint()->sentence().isEmpty()); // no pause yet
        QTRY_VERIFY_WITH_TIMEOUT(says("The <B> here never closes"), 5000);
        // The underline is on the learner's <B>; the bubble lies in the
        // editor, off the line being typed.
        const QList<QTextEdit::ExtraSelection> marks = editor->extraSelections();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks.first().cursor.selectedText(), QStringLiteral("<B>"));
        auto *bubble = editor->findChild<QLabel *>(QStringLiteral("markupHint"));
        const QRect caret = editor->cursorRect();
        QVERIFY(bubble->isVisible() && editor->viewport()->rect().contains(bubble->geometry()));
        QVERIFY(bubble->geometry().bottom() < caret.top() ||
                bubble->geometry().top() > caret.bottom());

        // Escape takes it away until the next change.
        const QString described = editor->accessibleDescription();
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(s->hint()->sentence().isEmpty() && !bubble->isVisible());
        QCOMPARE(editor->accessibleDescription(), described);
        QTest::keyClick(editor, Qt::Key_Home, Qt::ControlModifier); // no check is due
        QVERIFY(s->hint()->sentence().isEmpty());

        // Leaving the line just changed is as good as a pause, once the
        // caret has moved.
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral(" <I>"));
        QTest::keyClick(editor, Qt::Key_Down);
        QTRY_VERIFY_WITH_TIMEOUT(says("The <I> here never closes"), 1000); // the first mistake
        QVERIFY(editor->accessibleDescription().contains(u"<I>"));
    }

    void screen_fontsAndLabels()
    {
        if (!courseFonts())
            QSKIP("needs fonts-wine and fonts-liberation (scripts/install-deps.sh test)");
        CourseRun run;
        // A face that silently fell back to another would change every line break.
        QCOMPARE(QFontInfo(font(FontRole::Default)).family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(QFontInfo(font(FontRole::DefaultBold)).family(),
                 QStringLiteral("Liberation Sans"));
        QVERIFY(QFontInfo(font(FontRole::DefaultBold)).bold());
        // Every label shows its tags and ampersands as typed; one sized to its
        // text is as wide as all of it.
        for (ScreenId id : kAllScreens)
            for (QLabel *label : run.registry.screen(id)->findChildren<QLabel *>())
                QVERIFY2(label->textFormat() == Qt::PlainText &&
                             !(label->buddy() && label->text().contains(u'&')) &&
                             (label->wordWrap() ||
                              label->width() >=
                                  QFontMetrics(label->font()).horizontalAdvance(label->text())),
                         qPrintable(label->objectName()));
    }

    // Keys that make no character, and clicks, leave the splash be; one that
    // makes a character takes it away at once and arms its timer anew, and
    // Lesson 1 comes at that timer's tick. With the timer stopped first,
    // nothing but the key can bring that tick.
    void splash_aKeyWithACharacterTakesItAway()
    {
        CourseRun run;
        run.registry.show(ScreenId::Splash);
        QPointer<QWidget> splash = run.registry.screen(ScreenId::Splash);
        auto *timer = splash->findChild<QTimer *>(QStringLiteral("Timer1"));
        timer->stop();
        QSignalSpy ticks(timer, &QTimer::timeout);
        for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Left, Qt::Key_F5, Qt::Key_Control})
            QTest::keyClick(splash, key);
        QTest::mouseClick(splash->findChild<QWidget *>(QStringLiteral("Label4")), Qt::LeftButton);
        QVERIFY(splash->isVisible() && !timer->isActive());
        QTest::keyClick(splash, Qt::Key_Q);
        QVERIFY(!splash->isVisible() && timer->isActive());
        QCOMPARE(run.registry.loadCount(ScreenId::Form1), 0);
        QVERIFY(ticks.wait(5000));
        QVERIFY(run.registry.loadedScreen(ScreenId::Form1)->isVisible());
        QTRY_VERIFY(!splash);
        QCOMPARE(run.registry.loadCount(ScreenId::Splash), 1);
    }

    void order_data()
    {
        // clang-format off
        QTest::addColumn<ScreenId>("id");
        QTest::addColumn<QString>("order");
        // Lesson 1 starts in the editor; Lesson 2 Practice's own order puts
        // the pane between the editor and the buttons.
        QTest::newRow("Form1") << ScreenId::Form1 << "txtItemDescription WebBrowser1 cmdClear cmdContinue ShowMe1 " "ShowMe2 ShowMe3 ShowMe4 Command1";
        QTest::newRow("Form2Test") << ScreenId::Form2Test << "cmdClear txtItemDescription WebBrowser1 Command1 cmdContinue";
        // clang-format on
    }

    // The first control has the focus as the screen first appears; Tab visits
    // every control once, in order, the page's links inside the pane among
    // them, and wraps; Shift+Tab walks back; the editor takes no tab
    // character; Alt+L ("&Lesson ...") works from the pane.
    void order()
    {
        QFETCH(ScreenId, id);
        QFETCH(QString, order);
        CourseRun run;
        WorkspaceScreen *w = run.show(id);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTRY_COMPARE(focused(w), order.section(u' ', 0, 0));
        editor::setText(w->editor(), u"<A HREF=\"http://a.invalid/\">one</A> <A "
                                     u"HREF=\"http://b.invalid/\">two</A>");
        QVERIFY(shows(w->pane(), QStringLiteral("one two")));
        const QStringList stops =
            order
                .replace(QStringLiteral("WebBrowser1"), QStringLiteral("WebBrowser1:one "
                                                                       "WebBrowser1:two"))
                .split(u' ');
        for (int i = 1; i <= stops.size(); ++i) {
            press(Qt::Key_Tab);
            QTRY_COMPARE_WITH_TIMEOUT(focused(w), stops[i % stops.size()], 5000);
        }
        for (int i = stops.size() - 1; i >= 0; --i) {
            press(Qt::Key_Backtab, Qt::ShiftModifier);
            QTRY_COMPARE_WITH_TIMEOUT(focused(w), stops[i], 5000);
        }
        for (int i = 0; i < stops.indexOf(QStringLiteral("WebBrowser1:one")); ++i)
            press(Qt::Key_Tab);
        QTRY_COMPARE(focused(w), QStringLiteral("WebBrowser1:one"));
        QSignalSpy clicked(w->findChild<QPushButton *>(QStringLiteral("cmdContinue")),
                           &QPushButton::clicked);
        press(Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);
        QVERIFY(!w->isVisible()); // it moved on
        QVERIFY(!w->text().contains(u'\t'));
    }
};

QUORVEL_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
