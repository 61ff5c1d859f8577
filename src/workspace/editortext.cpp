// SPDX-License-Identifier: GPL-3.0-or-later
#include "editortext.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

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

// Whether an append is an undo step of its own or part of the one before.
enum class Undo { NewStep, JoinPrevious };

// Adds `crlfText` at the very end of the editor's text as one change
// notification, the caret, selection and scroll position left where they
// were. With Undo::JoinPrevious, Ctrl+Z takes it back together with the
// append before it.
void append(QPlainTextEdit *edit, QStringView crlfText, Undo undo)
{
    QScrollBar *bar = edit->verticalScrollBar();
    const int scroll = bar->value();
    QTextCursor end(edit->document());
    end.movePosition(QTextCursor::End);
    if (undo == Undo::JoinPrevious)
        end.joinPreviousEditBlock();
    else
        end.beginEditBlock();
    end.insertText(toDocument(crlfText));
    end.endEditBlock();
    bar->setValue(scroll);
}

} // namespace

QString text(const QPlainTextEdit *edit)
{
    QString raw = edit->document()->toRawText();
    // toRawText() ends every paragraph but the last with U+2029; a soft line
    // break (Shift+Enter) is U+2028. Both are a line break to the learner.
    // This runs on every keystroke, so the lines are copied whole, in one
    // pass (one append per character takes ten milliseconds for a megabyte).
    const auto isBreak = [](QChar c) {
        return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
    };
    const QChar *from = raw.constBegin();
    const QChar *const end = raw.constEnd();
    const QChar *brk = std::find_if(from, end, isBreak);
    if (brk == end)
        return raw;
    QString out;
    out.reserve(raw.size() + raw.size() / 16 + 16);
    for (;;) {
        out.append(from, brk - from);
        if (brk == end)
            return out;
        out.append(QLatin1String("\r\n"));
        from = brk + 1;
        brk = std::find_if(from, end, isBreak);
    }
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

void showMeAppend(QPlainTextEdit *edit, QStringView snippet)
{
    append(edit, snippet, Undo::NewStep);
}

void answerAppend(QPlainTextEdit *edit, const std::vector<QString> &lines)
{
    auto undo = Undo::NewStep;
    for (const QString &line : lines) {
        append(edit, line + QLatin1String("\r\n"), undo);
        undo = Undo::JoinPrevious;
    }
}

} // namespace quorvel::editor
