// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own work on the learner's markup: the checker that finds the
// first mistake, and the colours re-done for one key.

#include "measure.h"

#include "markup/markupcheck.h"
#include "markup/markuphighlighter.h"
#include "workspace/editortext.h"

#include <QPlainTextEdit>
#include <QTest>

namespace bench {

int runMarkupCheck(bool quick)
{
    const struct {
        int kib, runs;
    } sizes[] = {{10, quick ? 20 : 200}, {100, quick ? 10 : 50}};
    for (const auto &size : sizes) {
        const QString text = lessonMarkup(size.kib * 1024);
        std::vector<double> times;
        for (int i = 0; i < size.runs; ++i) {
            const double start = nowMs();
            const bool found = quorvel::markup::firstMistake(text).has_value();
            times.push_back(nowMs() - start);
            // Markup without a mistake is read to its end: the checker's most.
            if (found)
                return fail(QStringLiteral("the checker found a mistake in the lesson markup"));
        }
        printFigure(QStringLiteral("markup check %1 KB").arg(size.kib), times,
                    QStringLiteral("ms"));
    }
    return 0;
}

// The highlighter's share of one key typed at the end: the key's line
// coloured again (rehighlightBlock(), what the key's change sets off there),
// Qt's layout of the line included.
int runRecolour(bool quick)
{
    quorvel::testing::CourseRun course;
    quorvel::WorkspaceScreen *screen = showLesson1(course);
    QPlainTextEdit *editor = screen->editor();
    auto *highlighter = editor->document()->findChild<quorvel::MarkupHighlighter *>();
    if (!highlighter)
        return fail(QStringLiteral("the editor has no markup highlighter"));
    // The page is not written: the engine's loads would run beside the timing.
    const QSignalBlocker quiet(editor);
    quorvel::editor::setText(editor, lessonMarkup(100 * 1024) +
                                         QStringLiteral("\r\n<p>The last line: <b>bold</b> and "));
    editor->moveCursor(QTextCursor::End);
    settle(500);
    std::vector<double> times;
    for (int i = 0; i < (quick ? 20 : 200); ++i) {
        QTest::keyClick(editor, Qt::Key_A);
        const double start = nowMs();
        highlighter->rehighlightBlock(editor->document()->lastBlock());
        times.push_back(nowMs() - start);
        QTest::keyClick(editor, Qt::Key_Backspace); // the line stays as long
        settle(10);
    }
    printFigure(QStringLiteral("recolour 100 KB"), times, QStringLiteral("ms"),
                QStringLiteral(", one key at the end, short lines"));
    return 0;
}

} // namespace bench
