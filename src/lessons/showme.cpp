#include "showme.h"

#include "workspace/editortext.h"

namespace quorvel {

void showMeAppend(QPlainTextEdit *editor, QStringView snippet) { editor::append(editor, snippet); }

} // namespace quorvel
