#include "editortext.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace quorvel::editor {

namespace {

// The document keeps a line break as a paragraph separator; the course's
// texts use CR LF.
QString toDocument(QStringView crlf)
{
    QString s = crlf.toString();
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

QString text(const QPlainTextEdit *edit)
{
    QString raw = edit->document()->toRawText();
    // toRawText() ends every paragraph but the last with U+2029; a soft line
    // break (Shift+Enter) is U+2028. Both are a line break to the learner.
    qsizetype breaks = 0;
    for (const QChar c : std::as_const(raw))
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            ++breaks;
    if (breaks == 0)
        return raw;
    QString out;
    out.reserve(raw.size() + breaks);
    for (const QChar c : std::as_const(raw)) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            out.append(QLatin1String("\r\n"));
        else
            out.append(c);
    }
    return out;
}

void setText(QPlainTextEdit *edit, QStringView crlfText)
{
    // Through a cursor rather than setPlainText(), so the learner can undo it.
    QTextCursor all(edit->document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(toDocument(crlfText));
    all.endEditBlock();
}

void append(QPlainTextEdit *edit, QStringView crlfText)
{
    QScrollBar *bar = edit->verticalScrollBar();
    const int scroll = bar->value();
    QTextCursor end(edit->document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    end.insertText(toDocument(crlfText));
    end.endEditBlock();
    bar->setValue(scroll);
}

} // namespace quorvel::editor
