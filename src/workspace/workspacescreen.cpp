// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspacescreen.h"

#include "clock.h"
#include "editortext.h"
#include "markup/markuphighlighter.h"
#include "markuphint.h"
#include "preview/previewpane.h"
#include "preview/scratchpage.h"
#include "workspacelayout.h"

#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace quorvel {

namespace {

// Gives the markup's colours the editor's palette whenever it changes (the
// desktop's theme changed).
class PaletteFollower final : public QObject {
public:
    PaletteFollower(QPlainTextEdit *editor, MarkupHighlighter *colours)
        : QObject(editor)
        , m_colours(colours)
    {
        editor->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange ||
            event->type() == QEvent::ApplicationPaletteChange)
            m_colours->usePalette(static_cast<QWidget *>(watched)->palette());
        return false;
    }

private:
    MarkupHighlighter *m_colours;
};

// Enter in the editor makes a new line, which it reads back as CR LF; Tab
// moves the focus on rather than typing a tab. The markup is coloured.
QPlainTextEdit *makeEditor(QWidget *window)
{
    auto *edit = new QPlainTextEdit(window);
    edit->setObjectName(QStringLiteral("txtItemDescription"));
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setTabChangesFocus(true);
    edit->setUndoRedoEnabled(true);
    new PaletteFollower(edit, new MarkupHighlighter(edit->document(), edit->palette()));
    return edit;
}

} // namespace

WorkspaceScreen::WorkspaceScreen(const QString &name, const ScreenDesign &design)
    : Screen(name)
    , m_design(design)
    , m_pagePath(scratch::defaultPath())
    , m_editor(makeEditor(this))
    , m_pane(new PreviewPane(this))
    , m_timer(new QTimer(this))
{
    setWindowTitle(design.caption);
    m_pane->setObjectName(QStringLiteral("WebBrowser1"));
    buildControls(this, workspaceLayout(design));
    setClientSize(this, design.clientWidth, design.clientHeight);
    if (design.fixedBorder)
        keepSizeWithIcon();
    m_clock = findChild<QLabel *>(QStringLiteral("lblTime"));
    m_hint = new MarkupHint(m_editor);
    nameForScreenReaders();

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &WorkspaceScreen::Timer1_Timer);
    connect(m_editor, &QPlainTextEdit::textChanged, this,
            &WorkspaceScreen::txtItemDescription_Change);
    connectButtons();
    if (QWidget *first = findChild<QWidget *>(focusOrder(design).value(0)))
        first->setFocus();
}

void WorkspaceScreen::keepSizeWithIcon()
{
    // Lesson 1 keeps its size: no resizing, no maximise and no minimise
    // button, but its close button stays.
    setFixedSize(size());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/lesson1-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/lesson1-32.png"), QSize(32, 32));
    setWindowIcon(icon);
}

void WorkspaceScreen::nameForScreenReaders()
{
    // Where a caption does not say what a control is. The clock's name is
    // the time it shows, as any label's is.
    m_clock->setAccessibleDescription(QStringLiteral("Date and time"));
    m_editor->setAccessibleName(QStringLiteral("Item Description"));
    findChild<QLabel *>(QStringLiteral("lblMisc"))->setBuddy(m_editor);
    m_pane->setAccessibleName(QStringLiteral("Preview Screen"));
}

void WorkspaceScreen::connectButtons()
{
    auto button = [this](const QString &name) { return findChild<QPushButton *>(name); };
    connect(button(QStringLiteral("cmdClear")), &QPushButton::clicked, this,
            &WorkspaceScreen::cmdClear_Click);
    // Command1 is "Answer" on a practice and "Lesson N Practice" on a lesson.
    if (m_design.isPractice())
        connect(button(QStringLiteral("Command1")), &QPushButton::clicked, this,
                &WorkspaceScreen::Answer_Click);
    else
        connect(button(QStringLiteral("Command1")), &QPushButton::clicked, this,
                &WorkspaceScreen::practiceRequested);
    connect(button(QStringLiteral("cmdContinue")), &QPushButton::clicked, this,
            &WorkspaceScreen::continueRequested);
    for (const Snippet &snippet : m_design.snippets) {
        QPushButton *showMe = button(snippet.button);
        Q_ASSERT_X(showMe, "WorkspaceScreen", qPrintable(snippet.button));
        showMe->setAccessibleDescription(QStringLiteral("Show Me: Step ") + snippet.button.mid(6));
        connect(showMe, &QPushButton::clicked, this, [this, &snippet] { ShowMe_Click(snippet); });
    }
    // Enter presses whichever button has the focus, as it does in a dialog.
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(true);
}

WorkspaceScreen::~WorkspaceScreen() = default;

QString WorkspaceScreen::text() const
{
    return editor::text(m_editor);
}

void WorkspaceScreen::load()
{
    Screen::load();
    // A page left from an earlier run is replaced before anything shows it.
    const QByteArray hello = scratch::encode(u"Hello");
    if (const auto failure = scratch::write(m_pagePath, hello)) {
        m_pane->showProblem(m_pagePath, *failure);
        emit pageUnavailable(m_pagePath, *failure);
    } else {
        m_pane->Navigate(m_pagePath, hello);
    }
    showClock(m_clock);
    m_timer->start();
    refresh();
}

void WorkspaceScreen::refresh()
{
    const QByteArray page = scratch::encode(editor::text(m_editor));
    const auto failure = scratch::write(m_pagePath, page);
    // The editor keeps every keystroke; after a failure the next change
    // tries again.
    m_writeFailed = failure.has_value();
    if (failure)
        m_pane->showProblem(m_pagePath, *failure);
    else
        m_pane->Navigate(m_pagePath, page);
    // Only once the page is on its way: the learner's mistakes are looked
    // for at the next pause.
    m_hint->textChanged();
    emit refreshed(!m_writeFailed);
}

void WorkspaceScreen::txtItemDescription_Change()
{
    refresh();
}

void WorkspaceScreen::cmdClear_Click()
{
    editor::setText(m_editor, u"");
}

void WorkspaceScreen::Answer_Click()
{
    editor::answerAppend(m_editor, m_design.answerLines);
}

void WorkspaceScreen::ShowMe_Click(const Snippet &snippet)
{
    editor::showMeAppend(m_editor, snippet.text);
}

void WorkspaceScreen::Timer1_Timer()
{
    showClock(m_clock);
}

bool WorkspaceScreen::focusNextPrevChild(bool next)
{
    // Tab and Shift+Tab follow the screen's own order, not Qt's chain: the
    // pane joins that chain twice (the view, and the child it makes with each
    // page to take its focus), so the wrap from the last control would land on
    // it. Here the pane is one stop, whichever of its children has the focus.
    QWidgetList stops;
    for (const QString &name : focusOrder(m_design))
        if (QWidget *w = findChild<QWidget *>(name); w && w->isEnabled() && w->isVisibleTo(this))
            stops << w;
    if (stops.isEmpty())
        return Screen::focusNextPrevChild(next);
    const QWidget *current = focusWidget();
    const qsizetype n = stops.size();
    qsizetype at = -1;
    for (qsizetype i = 0; i < n && at < 0; ++i)
        if (current && (current == stops[i] || stops[i]->isAncestorOf(current)))
            at = i;
    const qsizetype to = at < 0 ? (next ? 0 : n - 1) : (at + (next ? 1 : n - 1)) % n;
    stops[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace quorvel
