// The keyboard on the workspace screens: where the focus starts, the order in
// which Tab and Shift+Tab visit the controls (the preview pane included, which
// takes the focus through a child it makes with its first page, and the links
// of the page inside it), and access keys from inside the pane.
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QSignalSpy>

using namespace quorvel;

namespace {

// Shows a screen and waits until it has the keyboard and its pane has made
// the child that takes the focus for it.
WorkspaceScreen *showActive(testing::CourseRun &run, ScreenId id)
{
    WorkspaceScreen *w = run.show(id);
    return w && QTest::qWaitForWindowActive(w)
            && testing::waitUntil([w] { return w->pane()->focusProxy() != nullptr; }, 10000)
        ? w
        : nullptr;
}

// The name of the control that has the focus; the pane's children count as the pane.
QString focused(const WorkspaceScreen *w)
{
    QWidget *f = QApplication::focusWidget();
    if (!f)
        return QStringLiteral("(none)");
    return f == w->pane() || w->pane()->isAncestorOf(f) ? QStringLiteral("WebBrowser1") : f->objectName();
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = QApplication::focusWidget();
    QTest::keyClick(target ? target : QApplication::activeWindow(), Qt::Key(key), modifiers);
}

} // namespace

class FocusTest final : public QObject {
    Q_OBJECT

private slots:
    void order_data()
    {
        QTest::addColumn<ScreenId>("id");
        QTest::addColumn<QStringList>("order");
        // Lesson 1 starts in the editor; Lesson 2 Practice's own order puts
        // the pane between the editor and the buttons.
        QTest::newRow("Form1") << ScreenId::Form1
                               << QStringList{"txtItemDescription", "WebBrowser1", "cmdClear", "cmdContinue",
                                              "ShowMe1", "ShowMe2", "ShowMe3", "ShowMe4", "Command1"};
        QTest::newRow("Form2Test") << ScreenId::Form2Test
                                   << QStringList{"cmdClear", "txtItemDescription", "WebBrowser1",
                                                  "Command1", "cmdContinue"};
    }

    // The first control has the focus as the screen first appears; Tab visits
    // every control once, in order, and wraps; Shift+Tab walks back; the
    // editor takes no tab character; Alt+L ("&Lesson ...") works from the pane.
    void order()
    {
        QFETCH(ScreenId, id);
        QFETCH(QStringList, order);
        testing::CourseRun run;
        WorkspaceScreen *w = showActive(run, id);
        QVERIFY(w);
        QTRY_COMPARE(focused(w), order.first());
        for (int i = 1; i <= order.size(); ++i) {
            press(Qt::Key_Tab);
            QTRY_COMPARE_WITH_TIMEOUT(focused(w), order[i % order.size()], 5000);
        }
        for (int i = order.size() - 1; i >= 0; --i) {
            press(Qt::Key_Backtab, Qt::ShiftModifier);
            QTRY_COMPARE_WITH_TIMEOUT(focused(w), order[i], 5000);
        }

        for (int i = 0; i < order.indexOf(QStringLiteral("WebBrowser1")); ++i)
            press(Qt::Key_Tab);
        QTRY_COMPARE(focused(w), QStringLiteral("WebBrowser1"));
        QSignalSpy clicked(w->findChild<QPushButton *>(QStringLiteral("cmdContinue")), &QPushButton::clicked);
        press(Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);
        QVERIFY(!w->isVisible()); // it moved on
        QCOMPARE(editor::text(w->editor()), QString());
    }

    // Inside the pane Tab first visits the page's links; after the last one
    // it goes on to the screen's next control, and Shift+Tab comes back.
    void tab_passesThroughAPageWithLinks()
    {
        testing::CourseRun run;
        WorkspaceScreen *w = showActive(run, ScreenId::Form3);
        QVERIFY(w);
        editor::setText(w->editor(), u"<A HREF=\"http://a.invalid/\">one</A> <A HREF=\"http://b.invalid/\">two</A>");
        QTRY_VERIFY(w->pane()->page()->url().isLocalFile() && !w->pane()->page()->isLoading());
        w->editor()->setFocus();
        QTRY_COMPARE(focused(w), QStringLiteral("txtItemDescription"));
        // Where the keyboard is: the control, and inside the pane the page's element.
        auto where = [w] {
            const QString control = focused(w);
            const auto element = control == QLatin1String("WebBrowser1")
                ? testing::evaluate(w->pane(), QStringLiteral("document.activeElement.textContent"))
                : std::nullopt;
            return element ? control + u':' + element->toString() : control;
        };
        QStringList visited;
        for (int i = 0; i < 6 && focused(w) != QLatin1String("Command1"); ++i) {
            const QString before = where();
            press(Qt::Key_Tab);
            QTRY_VERIFY(where() != before);
            visited << where();
        }
        QCOMPARE(visited, (QStringList{"WebBrowser1:one", "WebBrowser1:two", "Command1"}));
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QTRY_COMPARE(focused(w), QStringLiteral("WebBrowser1"));
    }
};

QUORVEL_TEST_MAIN(FocusTest)
#include "tst_focus.moc"
