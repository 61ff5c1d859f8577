// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMargins>
#include <QWidget>

namespace quorvel {

// A top-level window of the course. It is built hidden from its layout table
// in its constructor; whoever holds it then runs its load step and shows it.
// It knows no other screen: a close through its window frame is reported by
// closeRequested(), and the owner decides what that means.
class Screen : public QWidget {
    Q_OBJECT

public:
    // `name` is the screen's object name ("Form1", "frmSplash").
    explicit Screen(const QString &name);
    ~Screen() override;

    // The load step: runs once per load, before the window first appears.
    // Every screen centres itself first; subclasses add their own steps.
    virtual void load();

    // Places the window's outer frame in the middle of the desktop:
    // Left = (SW - W) / 2, then Top = (SH - H) / 2, in single precision and
    // twips, neither rounded nor clamped, so a window larger than the desktop
    // gets a negative place.
    void centre();

signals:
    // The window was closed through its frame (close button, Alt+F4, the
    // window manager).
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QMargins frameMarginsGuess() const;

    QMargins m_marginsUsed;
    bool m_centred = false;
    bool m_centreSettled = false;
};

} // namespace quorvel
