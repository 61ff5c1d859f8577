#pragma once

#include "app/screen.h"
#include "screendesign.h"

#include <QPointer>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace quorvel {

class PreviewPane;

// One of the six lesson and practice screens: an editor whose every change is
// written to the scratch page and shown in the preview pane beside it, a
// clock, and an instruction panel built from the screen's design.
class WorkspaceScreen final : public Screen {
    Q_OBJECT

public:
    WorkspaceScreen(ScreenRegistry &registry, ScreenId id, const ScreenDesign &design);
    ~WorkspaceScreen() override;

    // The load sequence: centre, make the page ("Hello"), show it, start the
    // clock, then one refresh with the (empty) editor.
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

signals:
    // After each refresh: the page has been written (or failed to be) and
    // the pane has been sent to it.
    void refreshed(bool written);

private:
    void refresh();
    void Form_Load();
    void txtItemDescription_Change();
    void cmdClear_Click();
    void Command1_Click();
    void cmdContinue_Click();
    void ShowMe_Click(const Snippet &snippet);
    void Timer1_Timer();
    void applyFocusOrder();
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

    const ScreenDesign &m_design;
    QString m_pagePath;
    QPlainTextEdit *m_editor;
    PreviewPane *m_pane;
    QLabel *m_clock = nullptr;
    QTimer *m_timer;
    QPointer<QWidget> m_paneFocus;
    bool m_writeFailed = false;
};

} // namespace quorvel
