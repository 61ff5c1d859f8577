// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <vector>

class QPlainTextEdit;

namespace quorvel::editor {

// The editor's whole text as the course's handlers see it: line breaks are
// CR LF, and every character survives (no-break spaces included).
QString text(const QPlainTextEdit *edit);

// Replaces the editor's whole text; CR LF, lone CR and lone LF all make a
// line break. One undoable step and one change notification.
void setText(QPlainTextEdit *edit, QStringView crlfText);

// A "Show Me" button's append: the example goes at the very end of the
// editor's text, nothing between, whatever the caret or selection. One change
// of the text, so one preview refresh, and Ctrl+Z takes it back. The
// learner's caret, selection and scroll position stay where they were.
void showMeAppend(QPlainTextEdit *edit, QStringView snippet);

// An "Answer" button's append: each line, followed by CR LF, goes at the very
// end of the editor's text as a change of its own, so the preview is
// refreshed once per line before the next line is added. Ctrl+Z takes the
// whole answer back in one step: the learner took it in one click.
void answerAppend(QPlainTextEdit *edit, const std::vector<QString> &lines);

} // namespace quorvel::editor
