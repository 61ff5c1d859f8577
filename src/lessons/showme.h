#pragma once

#include <QStringView>

class QPlainTextEdit;

namespace quorvel {

// A "Show Me" button's append: the example goes at the very end of the
// editor's text, nothing between, whatever the caret or selection. One change
// of the text, so one preview refresh, and Ctrl+Z takes it back.
void showMeAppend(QPlainTextEdit *editor, QStringView snippet);

} // namespace quorvel
