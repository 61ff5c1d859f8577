// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/screen.h"

class QTimer;

namespace quorvel {

class ScreenRegistry;

// The title card shown for about a second at start. It hands over to Lesson 1
// by itself; a key press takes it off the screen at once, and Lesson 1 then
// follows one interval after the key.
class SplashScreen final : public Screen {
    Q_OBJECT

public:
    explicit SplashScreen(ScreenRegistry &registry);

    void load() override;
    QTimer *timer() const { return m_timer; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Timer1_Timer();
    void Form_KeyPress();

    static constexpr int kIntervalMs = 1000;

    ScreenRegistry &m_registry;
    QTimer *m_timer;
};

} // namespace quorvel
