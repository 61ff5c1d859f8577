// SPDX-License-Identifier: GPL-3.0-or-later
#include "markuphint.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

namespace quorvel {

namespace {

// The bubble's distance from the line it speaks of, and from the editor's
// edges, in pixels.
constexpr int kGap = 3;

} // namespace

MarkupHint::MarkupHint(QPlainTextEdit *editor)
    : QObject(editor)
    , m_editor(editor)
    , m_bubble(new QLabel(editor->viewport()))
{
    m_bubble->setObjectName(QStringLiteral("markupHint"));
    m_bubble->setTextFormat(Qt::PlainText);
    m_bubble->setWordWrap(true);
    m_bubble->setFocusPolicy(Qt::NoFocus);
    // Clicks go through it to the text beneath.
    m_bubble->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_bubble->setAutoFillBackground(true);
    m_bubble->setBackgroundRole(QPalette::ToolTipBase);
    m_bubble->setForegroundRole(QPalette::ToolTipText);
    m_bubble->setFrameShape(QFrame::Box);
    m_bubble->setMargin(kGap);
    m_bubble->hide();

    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMs);
    connect(&m_pause, &QTimer::timeout, this, &MarkupHint::check);
    // Moving the caret off the line just changed counts as a pause: the
    // learner has moved on. (Typing moves the caret too, but on its line;
    // Enter's new line is the line of that change.)
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_pause.isActive() && m_editor->textCursor().blockNumber() != m_changedLine)
            check();
    });
    connect(editor->verticalScrollBar(), &QScrollBar::valueChanged, this, &MarkupHint::place);
    editor->installEventFilter(this);
}

void MarkupHint::textChanged()
{
    hide();
    m_changedLine = m_editor->textCursor().blockNumber();
    m_pause.start();
}

QString MarkupHint::sentence() const
{
    return m_editor->extraSelections().isEmpty() ? QString() : m_bubble->text();
}

void MarkupHint::check()
{
    m_pause.stop();
    // The document's own text, whose positions are the caret's: each line
    // break is one character, as in the checker's reading.
    if (const auto finding = markup::firstMistake(m_editor->document()->toRawText()))
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
    m_anchor = finding.spans.empty() ? 0 : finding.spans.front().start;
    m_bubble->setText(finding.sentence);
    place();
    m_editor->setAccessibleDescription(finding.sentence);
}

void MarkupHint::hide()
{
    if (m_editor->extraSelections().isEmpty())
        return;
    m_editor->setExtraSelections({});
    m_bubble->hide();
    m_editor->setAccessibleDescription(QString());
}

void MarkupHint::place()
{
    if (m_editor->extraSelections().isEmpty())
        return;
    QTextCursor at(m_editor->document());
    at.setPosition(int(std::min<qsizetype>(m_anchor, m_editor->document()->characterCount() - 1)));
    const QRect line = m_editor->cursorRect(at);
    const QRect room = m_editor->viewport()->rect();
    // Beside its line: under it, or over it where there is no room under it;
    // out of the editor's view when the line is.
    const int width = room.width() - 2 * kGap;
    const int height = m_bubble->heightForWidth(width);
    int top = line.bottom() + kGap;
    if (top + height > room.bottom())
        top = line.top() - kGap - height;
    m_bubble->setGeometry(room.left() + kGap, std::max(top, room.top()), width, height);
    m_bubble->setVisible(room.intersects(line));
}

bool MarkupHint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        !m_editor->extraSelections().isEmpty()) {
        m_pause.stop();
        hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvel
