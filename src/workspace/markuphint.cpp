// SPDX-License-Identifier: GPL-3.0-or-later
#include "markuphint.h"

#include "ui/overlaylabel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>

namespace quorvel {

namespace {

// The bubble's distance from the line it speaks of, and from the editor's
// edges, in pixels.
constexpr int kGap = 3;

// The rows of the editor's view that a range of the text stands on.
QRect rowsOf(const QPlainTextEdit *editor, int from, int to)
{
    QTextCursor at(editor->document());
    at.setPosition(from);
    const QRect first = editor->cursorRect(at);
    at.setPosition(to);
    const QRect last = editor->cursorRect(at);
    const QRect view = editor->viewport()->rect();
    return QRect(view.left(), first.top(), view.width(), last.bottom() - first.top() + 1);
}

} // namespace

MarkupHint::MarkupHint(QPlainTextEdit *editor)
    : QObject(editor)
    , m_editor(editor)
    , m_bubble(overlayLabel(editor->viewport(), QStringLiteral("markupHint")))
{
    m_bubble->setFrameShape(QFrame::Box);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &MarkupHint::check);
    // Moving the caret off the line just changed counts as a pause: the
    // learner has moved on. (Typing moves the caret too, but on its line;
    // Enter's new line is the line of that change.) The check waits until
    // the move is over: a screen reader is reading out the new line.
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_pause.isActive() && m_editor->textCursor().blockNumber() != m_changedLine)
            m_pause.start(0);
        place();
    });
    // Whatever moves the text in the view (scrolling, a new line, the text
    // wrapping anew) moves the place the bubble speaks of.
    connect(editor, &QPlainTextEdit::updateRequest, this, &MarkupHint::place);
    editor->installEventFilter(this);
}

void MarkupHint::textChanged()
{
    hide();
    m_changedLine = m_editor->textCursor().blockNumber();
    m_pause.start(kPauseMs);
}

QString MarkupHint::sentence() const
{
    return m_onView ? m_onView->sentence : QString();
}

void MarkupHint::check()
{
    m_pause.stop();
    // The document's own text, whose positions are the caret's: each line
    // break is one character, as in the checker's reading.
    const auto finding = markup::firstMistake(m_editor->document()->toRawText());
    const QString said = finding ? finding->sentence : QString();
    if (m_editor->accessibleDescription() != said)
        m_editor->setAccessibleDescription(said);
    if (finding)
        show(*finding);
}

void MarkupHint::show(const markup::Finding &finding)
{
    const int end = m_editor->document()->characterCount() - 1;
    QList<QTextEdit::ExtraSelection> marks;
    for (const markup::Span &span : finding.spans) {
        QTextEdit::ExtraSelection mark{QTextCursor(m_editor->document()), {}};
        mark.cursor.setPosition(int(std::min<qsizetype>(span.start, end)));
        mark.cursor.setPosition(int(std::min<qsizetype>(span.start + span.length, end)),
                                QTextCursor::KeepAnchor);
        mark.format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        mark.format.setUnderlineColor(Qt::red);
        marks << mark;
    }
    m_editor->setExtraSelections(marks);
    m_onView = finding;
    m_bubble->setText(finding.sentence);
    place();
}

void MarkupHint::hide()
{
    if (!m_onView)
        return;
    m_onView.reset();
    m_editor->setExtraSelections({});
    m_bubble->hide();
}

// Under the mistake's line, or over it; else along the editor's bottom or
// top edge: the first place that lies inside the editor clear of the
// caret's line (all of it, where a long line wraps). Where none is clear,
// the edge farther from the caret. Out of the editor's view when the
// mistake's line is.
void MarkupHint::place()
{
    if (!m_onView)
        return;
    const int end = m_editor->document()->characterCount() - 1;
    const int anchor =
        int(std::min<qsizetype>(m_onView->spans.empty() ? 0 : m_onView->spans.front().start, end));
    const QRect mistake = rowsOf(m_editor, anchor, anchor);
    const QTextBlock typing = m_editor->textCursor().block();
    const QRect caret =
        rowsOf(m_editor, typing.position(), typing.position() + typing.length() - 1);
    const QRect room = m_editor->viewport()->rect();
    const int width = room.width() - 2 * kGap;
    const int height = m_bubble->heightForWidth(width);
    const auto at = [&](int top) { return QRect(room.left() + kGap, top, width, height); };
    const QRect places[] = {at(mistake.bottom() + kGap), at(mistake.top() - kGap - height),
                            at(room.bottom() - kGap - height), at(room.top() + kGap)};
    const int caretLine = m_editor->cursorRect().center().y();
    QRect chosen = caretLine < room.center().y() ? places[2] : places[3];
    for (const QRect &place : places) {
        if (room.contains(place) && !place.intersects(caret)) {
            chosen = place;
            break;
        }
    }
    m_bubble->setGeometry(chosen);
    m_bubble->setVisible(room.intersects(mistake));
}

bool MarkupHint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_onView) {
        m_pause.stop();
        hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvel
