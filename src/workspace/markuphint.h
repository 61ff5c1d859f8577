// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "markup/markupcheck.h"

#include <QObject>
#include <QTimer>
#include <optional>

class QLabel;
class QPlainTextEdit;

namespace quorvel {

// Points the learner at the first mistake in the markup (markupcheck.h): a
// red wavy underline on the place, and the sentence in a bubble. Both come
// once the learner pauses, or moves the caret off the line just changed,
// never while typing; the next change takes them away, and so does Escape
// until the next change.
//
// The bubble lies inside the editor, beside the mistake's line where there
// is room, but never over the line the caret is on: it never takes the
// focus or the window's activation, covers nothing but the editor, and
// every key goes on to the editor.
//
// The editor's accessible description holds the sentence of the latest
// finding, so a screen reader hears of it; it changes only when the finding
// does (or goes), so a mistake that stays is announced once, not at every
// pause.
class MarkupHint final : public QObject {
    Q_OBJECT

public:
    // How long the learner pauses before the hint comes, as in the live
    // editors beginners know.
    static constexpr int kPauseMs = 1500;

    explicit MarkupHint(QPlainTextEdit *editor);

    // The editor's text has changed (and its page has been written): the
    // hint on view goes, and a check is due at the next pause.
    void textChanged();

    // The sentence on view; empty when no hint shows.
    QString sentence() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void check();
    void show(const markup::Finding &finding);
    void hide();
    void place();

    QPlainTextEdit *m_editor;
    QLabel *m_bubble;
    QTimer m_pause;
    int m_changedLine = -1; // the line of the last change, while a check is due
    std::optional<markup::Finding> m_onView;
};

} // namespace quorvel
