// The lessons' "Show Me" buttons and the practices' "Answer" buttons, pressed
// on the real screens: what reaches the editor, the scratch page on disk and
// the browser engine's page.
#include "testmain.h"

#include "app/addresses.h"
#include "app/screenregistry.h"
#include "testutil.h"
#include "workspace/previewpane.h"
#include "workspace/scratchpage.h"
#include "workspace/workspacescreen.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <memory>
#include <optional>

using namespace quorvel;
using enum ScreenId;

namespace {

QByteArray pageBytes()
{
    QFile page(scratch::defaultPath());
    return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray();
}

QPushButton *button(QWidget *screen, const QString &name)
{
    return screen->findChild<QPushButton *>(name);
}

const QString yahoo = QLatin1String(addresses::kYahooHost);
const QString brindlecroft = QLatin1String(addresses::kBrindlecroftHost);
const QString support = QLatin1String(addresses::kSupportAddress);

} // namespace

class TestCourse final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_registry = std::make_unique<ScreenRegistry>();
        m_registry->setEndHandler([](int) {});
        m_registry->setFatalReporter([](const QString &message) { qWarning() << message; });
    }
    void cleanupTestCase() { m_registry.reset(); }

    void emptyEditor_givesExactTextAndPage_data();
    void emptyEditor_givesExactTextAndPage();
    void appends_goAtTheEndAndKeepTheLearnersPlace_data();
    void appends_goAtTheEndAndKeepTheLearnersPlace();
    void preview_rendersTheAppendedMarkup_data();
    void preview_rendersTheAppendedMarkup();
    void enterOnFreshLesson_pressesStep3ShowMe();

private:
    // The screen, on view alone as in the course, with an empty editor.
    WorkspaceScreen *cleared(ScreenId id)
    {
        for (ScreenId other : kAllScreens)
            if (other != id && m_registry->isLoaded(other))
                m_registry->hide(other);
        m_registry->show(id);
        auto *screen = m_registry->screenAs<WorkspaceScreen>(id);
        button(screen, QStringLiteral("cmdClear"))->click();
        return screen;
    }

    std::unique_ptr<ScreenRegistry> m_registry;
};

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
    // One plain Show Me, the one that starts with a line break, and a
    // practice answer written a line at a time.
    row("Form1 step 2", Form1, "ShowMe2", 24, "<B> This is Bold. </B>\r\n");
    row("Form2 step 3", Form2, "ShowMe3", 74,
        "\r\nUse the  Horizontal Ruler.  <HR>\r\nGreat to use to separate pages. <BR>\r\n");
    row("Form1Test answer", Form1Test, "Command1", 335,
        "<B> Jack </B> and <B> Jill </B>went up the <U>Hill</U>.<BR>\r\n"
        "The <B>Green Giant</B> favorite food is <I>corn</I>.<BR>\r\n"
        "Big <B>Freddy</B> could no longer go <U>home</U> after eating 12 <I>donuts</I>.<BR>\r\n"
        "<B>Santa Claus</B> is coming to <U>town</U>.<BR>\r\n"
        "<B>I</B> am finally done with this practice and getting out of <U>here</U>.<BR>\r\n");
}

// One press on an empty editor gives the exact text, and one refresh per
// Show Me or per answer line, each leaving the page as the text then stood.
void TestCourse::emptyEditor_givesExactTextAndPage()
{
    QFETCH(ScreenId, screen);
    QFETCH(QString, button);
    QFETCH(int, chars);
    QFETCH(QString, expected);

    WorkspaceScreen *s = cleared(screen);
    QByteArrayList pages;
    const auto onRefresh = connect(s, &WorkspaceScreen::refreshed, this,
                                   [&pages] { pages << pageBytes(); });
    ::button(s, button)->click();
    disconnect(onRefresh);

    QCOMPARE(s->text(), expected);
    QCOMPARE(s->text().size(), chars);
    QStringList steps{expected};
    if (button == QLatin1String("Command1")) {
        steps.clear();
        for (auto end = expected.indexOf(u"\r\n"); end >= 0; end = expected.indexOf(u"\r\n", end + 2))
            steps << expected.left(end + 2);
    }
    QCOMPARE(pages.size(), steps.size());
    for (qsizetype i = 0; i < steps.size(); ++i)
        QCOMPARE(pages.at(i), steps.at(i).toLatin1());
    QCOMPARE(pageBytes(), expected.toLatin1());
}

void TestCourse::appends_goAtTheEndAndKeepTheLearnersPlace_data()
{
    QTest::addColumn<ScreenId>("screen");
    QTest::addColumn<QString>("button");
    QTest::newRow("Show Me") << Form1 << QStringLiteral("ShowMe2");
    QTest::newRow("Answer") << Form2Test << QStringLiteral("Command1");
}

void TestCourse::appends_goAtTheEndAndKeepTheLearnersPlace()
{
    QFETCH(ScreenId, screen);
    QFETCH(QString, button);

    WorkspaceScreen *s = cleared(screen);
    QPlainTextEdit *editor = s->editor();
    QPushButton *append = ::button(s, button);
    QPushButton *clear = ::button(s, QStringLiteral("cmdClear"));
    append->click();
    const QString added = s->text();
    clear->click();

    QTest::keyClicks(editor, "Hello"); // no line break: the append continues the line
    append->click();
    QCOMPARE(s->text(), "Hello" + added);
    QCOMPARE(pageBytes(), s->text().toLatin1());

    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(2);
    editor->setTextCursor(cursor);
    append->click();
    QCOMPARE(editor->textCursor().position(), 2);
    cursor.setPosition(1);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    append->click();
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("ell"));
    QCOMPARE(s->text(), "Hello" + added + added + added);
    QCOMPARE(pageBytes(), s->text().toLatin1());

    // One click is one undo step, Answer's several lines included.
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(s->text(), "Hello" + added + added);
    QCOMPARE(pageBytes(), s->text().toLatin1());

    clear->click();
    append->click();
    QCOMPARE(s->text(), added);
    QCOMPARE(pageBytes(), added.toLatin1());
}

void TestCourse::preview_rendersTheAppendedMarkup_data()
{
    QTest::addColumn<ScreenId>("screen");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    const QString tags = "[...document.body.querySelectorAll('*')].map(e => e.tagName).join(' ')";
    const QString links = "[...document.querySelectorAll('a')].map(a => a.outerHTML).join('|')";
    const QStringList steps{"ShowMe1", "ShowMe2", "ShowMe3"};

    QTest::newRow("Form2: break, paragraph, rule") << Form2 << steps << tags << "BR BR P P HR BR";
    // The space after "mailto:" ends the link's address, so the support
    // address arrives as an attribute of its own.
    QTest::newRow("Form3: links")
        << Form3 << steps << links
        << "<a href=\"http://" + yahoo + "\"> yahoo </a>|<a href=\"http://" + brindlecroft
               + "\"> Brindlecroft </a>|<a href=\"mailto:\" " + support + "=\"\"> Support </a>";
}

void TestCourse::preview_rendersTheAppendedMarkup()
{
    QFETCH(ScreenId, screen);
    QFETCH(QStringList, buttons);
    QFETCH(QString, script);
    QFETCH(QString, expected);

    WorkspaceScreen *s = cleared(screen);
    for (const QString &name : buttons)
        button(s, name)->click();
    QString rendered;
    const auto renders = [&] {
        rendered = testing::evaluate(s->pane(), script).value_or(QVariant()).toString();
        return rendered == expected;
    };
    // Generous: the pane may have to start over with a fresh renderer first.
    if (!testing::waitUntil(renders, 60000))
        QCOMPARE(rendered, expected);
}

// Step 3's "Show Me" has the focus when Lesson 2 or 3 first shows.
void TestCourse::enterOnFreshLesson_pressesStep3ShowMe()
{
    for (ScreenId id : {Form2, Form3}) {
        ScreenRegistry fresh;
        fresh.show(id);
        QVERIFY(QTest::qWaitForWindowActive(fresh.screen(id)));
        QVERIFY(QApplication::focusWidget());
        QSignalSpy pressed(button(fresh.screen(id), QStringLiteral("ShowMe3")), &QPushButton::clicked);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(pressed.size(), 1);
    }
}

QUORVEL_TEST_MAIN(TestCourse)
#include "tst_course.moc"
