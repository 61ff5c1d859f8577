#include "answerappend.h"

#include "workspace/editortext.h"
#include "workspace/workspacespec.h"

namespace quorvel {

void answerAppend(QPlainTextEdit *editor, const std::vector<QString> &lines)
{
    for (const QString &line : lines)
        editor::append(editor, line + QLatin1String(kCrLf));
}

} // namespace quorvel
