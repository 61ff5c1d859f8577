// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screendesign.h"
#include "ui/screen.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace quorvel {

class MarkupHint;
class PreviewPane;

// One of the six lesson and practice screens: an editor whose every change is
// written to the scratch page and shown in the preview pane beside it, a
// clock, and an instruction panel built from the screen's design. It knows no
// other screen: its two foot buttons only say that they were pressed.
class WorkspaceScreen final : public Screen {
    Q_OBJECT

public:
    WorkspaceScreen(const QString &name, const ScreenDesign &design);
    ~WorkspaceScreen() override;

    // The load sequence: centre, make the page ("Hello"), show it, start the
    // clock, then one refresh with the (empty) editor. A page that cannot be
    // made is reported by pageUnavailable(); the pane says why, and the load
    // goes on.
    void load() override;

    const ScreenDesign &design() const { return m_design; }
    QPlainTextEdit *editor() const { return m_editor; }
    PreviewPane *pane() const { return m_pane; }
    QLabel *clockLabel() const { return m_clock; }
    QTimer *clockTimer() const { return m_timer; }
    QString pagePath() const { return m_pagePath; }

    // The editor's whole text with CR LF line breaks.
    QString text() const;
    // Whether the last attempt to write the page failed (the pane says why).
    bool pageWriteFailed() const { return m_writeFailed; }
    // The learner's first mistake, as the hint beside the editor says it.
    const MarkupHint *hint() const { return m_hint; }

signals:
    // After each refresh: the page has been written (or failed to be) and
    // the pane has been sent to it.
    void refreshed(bool written);
    // The load step could not make the page at `path`, for `reason`.
    void pageUnavailable(const QString &path, const QString &reason);
    // Command1 on a lesson ("Lesson N Practice"): the learner asks for its
    // practice. On a practice Command1 is "Answer" and stays on the screen.
    void practiceRequested();
    // cmdContinue: the learner asks for the next lesson or the closing screen.
    void continueRequested();

private:
    void refresh();
    void txtItemDescription_Change();
    void cmdClear_Click();
    void Answer_Click();
    void ShowMe_Click(const Snippet &snippet);
    void Timer1_Timer();
    void keepSizeWithIcon();
    void nameForScreenReaders();
    void connectButtons();
    bool focusNextPrevChild(bool next) override;

    const ScreenDesign &m_design;
    QString m_pagePath;
    QPlainTextEdit *m_editor;
    PreviewPane *m_pane;
    QLabel *m_clock = nullptr;
    QTimer *m_timer;
    MarkupHint *m_hint = nullptr;
    bool m_writeFailed = false;
};

} // namespace quorvel
