// The lessons' "Show Me" buttons and the practices' "Answer" buttons, driven
// on the real screens: what reaches the editor, the scratch page on disk and
// the browser engine's page.
#include "testmain.h"

#include "app/addresses.h"
#include "app/screenregistry.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextCursor>
#include <QWebEnginePage>
#include <memory>
#include <optional>

using namespace quorvel;

namespace {

QByteArray pageBytes()
{
    QFile page(scratch::defaultPath());
    return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray();
}

// Evaluates `script` in the pane's current page; an invalid result if the
// page went away first (a newer load replaced it).
QVariant js(QWebEnginePage *page, const QString &script)
{
    // The answer may come after we stopped waiting for it.
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [result](const QVariant &v) { *result = v; });
    return QTest::qWaitFor([&] { return result->has_value(); }, 2000) ? **result : QVariant();
}

const QString yahoo = QLatin1String(addresses::kYahooHost);
const QString brindlecroft = QLatin1String(addresses::kBrindlecroftHost);
const QString microsoft = QLatin1String(addresses::kMicrosoftHost);
const QString quicken = QLatin1String(addresses::kQuickenHost);
const QString support = QLatin1String(addresses::kSupportAddress);

} // namespace

class TestCourse final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_registry.reset(); }

    void emptyEditor_givesExactTextAndPage_data();
    void emptyEditor_givesExactTextAndPage();
    void appends_goAtTheEndAndKeepTheLearnersPlace_data();
    void appends_goAtTheEndAndKeepTheLearnersPlace();
    void showMe_undoTakesItBack();
    void preview_rendersTheAppendedMarkup_data();
    void preview_rendersTheAppendedMarkup();
    void enterOnFreshLesson_pressesStep3ShowMe_data();
    void enterOnFreshLesson_pressesStep3ShowMe();

private:
    // The screen, shown, with an empty editor.
    WorkspaceScreen *cleared(ScreenId id)
    {
        m_registry->show(id);
        auto *screen = m_registry->screenAs<WorkspaceScreen>(id);
        pushButton(screen, QStringLiteral("cmdClear"))->click();
        return screen;
    }
    static QPushButton *pushButton(WorkspaceScreen *screen, const QString &name)
    {
        return screen->findChild<QPushButton *>(name);
    }

    std::unique_ptr<ScreenRegistry> m_registry;
};

void TestCourse::initTestCase()
{
    m_registry = std::make_unique<ScreenRegistry>();
    m_registry->setEndHandler([](int) {});
    m_registry->setFatalReporter([](const QString &message) { qWarning() << message; });
}

void TestCourse::emptyEditor_givesExactTextAndPage_data()
{
    QTest::addColumn<ScreenId>("screen");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("chars");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, ScreenId id, const char *button, int chars,
                        const QString &expected) {
        QTest::newRow(name) << id << QString::fromLatin1(button) << chars << expected;
    };
    row("Form1 step 1", ScreenId::Form1, "ShowMe1", 23, "This is regular Text.\r\n");
    row("Form1 step 2", ScreenId::Form1, "ShowMe2", 24, "<B> This is Bold. </B>\r\n");
    row("Form1 step 3", ScreenId::Form1, "ShowMe3", 26, "<I> This is Italic. </I>\r\n");
    row("Form1 step 4", ScreenId::Form1, "ShowMe4", 29, "<U> This is Underline. </U>\r\n");
    row("Form2 step 1", ScreenId::Form2, "ShowMe1", 65,
        "I am using a break at the end <BR>\r\nThis is the second line. <BR>");
    row("Form2 step 2", ScreenId::Form2, "ShowMe2", 68,
        "One Paragraph is about two breaks. <P>\r\nThis is the second line. <P>");
    row("Form2 step 3", ScreenId::Form2, "ShowMe3", 74,
        "\r\nUse the  Horizontal Ruler.  <HR>\r\nGreat to use to separate pages. <BR>\r\n");
    row("Form3 step 1", ScreenId::Form3, "ShowMe1", 56 + yahoo.size(),
        "This is a hyperlink to  <A HREF=\"http://" + yahoo + "\"> yahoo </A>.\r\n");
    row("Form3 step 2", ScreenId::Form3, "ShowMe2", 63 + brindlecroft.size(),
        "This is a hyperlink to  <A HREF=\"http://" + brindlecroft
            + "\"> Brindlecroft </A>.\r\n");
    row("Form3 step 3", ScreenId::Form3, "ShowMe3", 52 + support.size(),
        "This is an email to <A HREF=mailto: " + support + "> Support </A>\r\n");
    row("Form1Test answer", ScreenId::Form1Test, "Command1", 335,
        "<B> Jack </B> and <B> Jill </B>went up the <U>Hill</U>.<BR>\r\n"
        "The <B>Green Giant</B> favorite food is <I>corn</I>.<BR>\r\n"
        "Big <B>Freddy</B> could no longer go <U>home</U> after eating 12 <I>donuts</I>.<BR>\r\n"
        "<B>Santa Claus</B> is coming to <U>town</U>.<BR>\r\n"
        "<B>I</B> am finally done with this practice and getting out of <U>here</U>.<BR>\r\n");
    row("Form2Test answer", ScreenId::Form2Test, "Command1", 304,
        "Jack <BR> and Jill <BR>went up the Hill.<HR> <BR>\r\n"
        "The Green Giant<BR> favorite food is corn. <P><BR>\r\n"
        "Big Freddy<BR> could no longer go home <HR> after eating 12 donuts. <P> <BR>\r\n"
        "Santa Claus <BR> is coming to town. <HR><BR>\r\n"
        "I <BR> am finally done with this practice and getting out of here. <HR><BR>\r\n");
    row("Form3Tutorial answer", ScreenId::Form3Tutorial, "Command1",
        109 + 2 * microsoft.size() + 2 * quicken.size() + 2 + 92 + support.size() + 2,
        "a hyperlink to go to <A HREF=\"http://" + microsoft + "\"> " + microsoft
            + " </A> , <A HREF=\"http://" + quicken + "\"> " + quicken
            + " </A>, and your favorite website. <BR><BR>\r\n"
              "an email to "
            + support
            + " and let them know how you like this and what might need to be improve. "
              "<BR><BR>\r\n");
}

// One click on an empty editor: the exact text, and one refresh per Show Me
// or per answer line, each leaving the page as the text stood at that point.
void TestCourse::emptyEditor_givesExactTextAndPage()
{
    QFETCH(ScreenId, screen);
    QFETCH(QString, button);
    QFETCH(int, chars);
    QFETCH(QString, expected);

    WorkspaceScreen *s = cleared(screen);
    QByteArrayList pages;
    const auto record =
        connect(s, &WorkspaceScreen::refreshed, this, [&pages] { pages << pageBytes(); });
    pushButton(s, button)->click();
    disconnect(record);

    QCOMPARE(s->text(), expected);
    QCOMPARE(s->text().size(), chars);
    QCOMPARE(pageBytes(), expected.toLatin1());

    // A Show Me is one change; an answer is one change per line.
    QStringList steps{expected};
    if (button == QLatin1String("Command1")) {
        steps.clear();
        for (qsizetype end = expected.indexOf(u"\r\n"); end >= 0;
             end = expected.indexOf(u"\r\n", end + 2))
            steps << expected.left(end + 2);
    }
    QCOMPARE(pages.size(), steps.size());
    for (qsizetype i = 0; i < steps.size(); ++i)
        QCOMPARE(pages.at(i), steps.at(i).toLatin1());
}

void TestCourse::appends_goAtTheEndAndKeepTheLearnersPlace_data()
{
    QTest::addColumn<ScreenId>("screen");
    QTest::addColumn<QString>("button");
    QTest::newRow("Show Me") << ScreenId::Form1 << QStringLiteral("ShowMe2");
    QTest::newRow("Answer") << ScreenId::Form2Test << QStringLiteral("Command1");
}

void TestCourse::appends_goAtTheEndAndKeepTheLearnersPlace()
{
    QFETCH(ScreenId, screen);
    QFETCH(QString, button);

    WorkspaceScreen *s = cleared(screen);
    QPlainTextEdit *editor = s->editor();
    QPushButton *append = pushButton(s, button);
    append->click();
    const QString added = s->text();
    pushButton(s, QStringLiteral("cmdClear"))->click();
    QCOMPARE(s->text(), QString());

    // The learner's line has no break: the append continues it.
    editor->setFocus();
    QTest::keyClicks(editor, "Hello");
    append->click();
    QCOMPARE(s->text(), "Hello" + added);
    QCOMPARE(pageBytes(), s->text().toLatin1());

    // Caret in the middle, then a selection: both stay where they were.
    QTextCursor caret = editor->textCursor();
    caret.setPosition(2);
    editor->setTextCursor(caret);
    append->click();
    QCOMPARE(editor->textCursor().position(), 2);
    caret.setPosition(1);
    caret.setPosition(4, QTextCursor::KeepAnchor);
    editor->setTextCursor(caret);
    append->click();
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("ell"));
    QCOMPARE(s->text(), "Hello" + added + added + added);
    QCOMPARE(pageBytes(), s->text().toLatin1());

    // After Clear it is as on an empty editor.
    pushButton(s, QStringLiteral("cmdClear"))->click();
    append->click();
    QCOMPARE(s->text(), added);
    QCOMPARE(pageBytes(), added.toLatin1());
}

// Ctrl+Z takes a whole Show Me back, and the page follows.
void TestCourse::showMe_undoTakesItBack()
{
    WorkspaceScreen *s = cleared(ScreenId::Form2);
    s->editor()->setFocus();
    QTest::keyClicks(s->editor(), "Hi");
    pushButton(s, QStringLiteral("ShowMe3"))->click();
    QVERIFY(s->text().startsWith(u"Hi\r\n"));
    QTest::keyClick(s->editor(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(s->text(), QStringLiteral("Hi"));
    QCOMPARE(pageBytes(), QByteArray("Hi"));
}

void TestCourse::preview_rendersTheAppendedMarkup_data()
{
    QTest::addColumn<ScreenId>("screen");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");

    const QString styled = "[...document.querySelectorAll('b, i, u')].map(e => e.outerHTML).join('|')";
    const QString tags = "[...document.body.querySelectorAll('*')].map(e => e.tagName).join(' ')";
    const QString links = "[...document.querySelectorAll('a')].map(a => a.outerHTML).join('|')";
    QTest::newRow("Form1: bold, italic, underline")
        << ScreenId::Form1 << QStringList{"ShowMe1", "ShowMe2", "ShowMe3", "ShowMe4"} << styled
        << "<b> This is Bold. </b>|<i> This is Italic. </i>|<u> This is Underline. </u>";
    QTest::newRow("Form2: break, paragraph, rule")
        << ScreenId::Form2 << QStringList{"ShowMe1", "ShowMe2", "ShowMe3"} << tags
        << "BR BR P P HR BR";
    // The space after "mailto:" ends the address, so the support address
    // reaches the browser as an attribute of its own.
    QTest::newRow("Form3: links")
        << ScreenId::Form3 << QStringList{"ShowMe1", "ShowMe2", "ShowMe3"} << links
        << "<a href=\"http://" + yahoo + "\"> yahoo </a>|<a href=\"http://" + brindlecroft
               + "\"> Brindlecroft </a>|<a href=\"mailto:\" " + support + "=\"\"> Support </a>";
    QTest::newRow("Form1Test: answer") << ScreenId::Form1Test << QStringList{"Command1"} << tags
                                       << "B B U BR B I BR B U I BR B U BR B U BR";
    QTest::newRow("Form3Tutorial: answer")
        << ScreenId::Form3Tutorial << QStringList{"Command1"} << links
        << "<a href=\"http://" + microsoft + "\"> " + microsoft + " </a>|<a href=\"http://"
               + quicken + "\"> " + quicken + " </a>";
}

void TestCourse::preview_rendersTheAppendedMarkup()
{
    QFETCH(ScreenId, screen);
    QFETCH(QStringList, buttons);
    QFETCH(QString, script);
    QFETCH(QString, expected);

    WorkspaceScreen *s = cleared(screen);
    for (const QString &name : buttons)
        pushButton(s, name)->click();
    QString rendered;
    const auto renders = [&] {
        rendered = js(s->pane()->page(), script).toString();
        return rendered == expected;
    };
    if (!QTest::qWaitFor(renders, 15000))
        QCOMPARE(rendered, expected);
}

void TestCourse::enterOnFreshLesson_pressesStep3ShowMe_data()
{
    QTest::addColumn<ScreenId>("screen");
    QTest::newRow("Form2") << ScreenId::Form2;
    QTest::newRow("Form3") << ScreenId::Form3;
}

void TestCourse::enterOnFreshLesson_pressesStep3ShowMe()
{
    QFETCH(ScreenId, screen);

    ScreenRegistry fresh;
    fresh.show(screen);
    auto *s = fresh.screenAs<WorkspaceScreen>(screen);
    QVERIFY(QTest::qWaitForWindowActive(s));
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    QSignalSpy pressed(pushButton(s, QStringLiteral("ShowMe3")), &QPushButton::clicked);
    QTest::keyClick(focused, Qt::Key_Return);
    QCOMPARE(pressed.size(), 1);
}

QUORVEL_TEST_MAIN(TestCourse)
#include "tst_course.moc"
