#include "answerappend.h"

#include "workspace/editortext.h"
#include "workspace/screendesign.h"

namespace quorvel {

void answerAppend(QPlainTextEdit *editor, const std::vector<QString> &lines) {
    // Each line is a change of its own, but the whole answer is one step for
    // Ctrl+Z: the learner took it in one click.
    auto undo = editor::Undo::NewStep;
    for (const QString &line : lines) {
        editor::append(editor, line + QLatin1String(kCrLf), undo);
        undo = editor::Undo::JoinPrevious;
    }
}

} // namespace quorvel
