#pragma once

#include <QString>
#include <vector>

class QPlainTextEdit;

namespace quorvel {

// An "Answer" button's append: each line, followed by CR LF, goes at the very
// end of the editor's text as a change of its own, so the preview is
// refreshed (page written, pane sent to it) once per line before the next
// line is added.
void answerAppend(QPlainTextEdit *editor, const std::vector<QString> &lines);

} // namespace quorvel
