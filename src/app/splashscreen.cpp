// SPDX-License-Identifier: GPL-3.0-or-later
#include "splashscreen.h"

#include "screenregistry.h"
#include "ui/controltable.h"

#include <QKeyEvent>
#include <QTimer>

namespace quorvel {

namespace {

const std::vector<ControlRow> &splashLayout()
{
    // clang-format off
    static const std::vector<ControlRow> table{
        // name      kind              container  caption                 left  top   width height font
        {.name = "Frame1", .kind = Kind::Frame, .container = "", .left = 150, .top = 60, .width = 7080, .height = 4050},
        {.name = "Frame2", .kind = Kind::Frame, .container = "Frame1", .left = 0, .top = 0, .width = 7080, .height = 4050},
        {.name = "Label4", .kind = Kind::AutoLabel, .container = "Frame2", .caption = "Quorvel - HTML",
         .left = 1200, .top = 960, .width = 5235, .height = 555, .font = FontRole::SplashTitle, .colour = kDarkBlue},
        {.name = "Label3", .kind = Kind::AutoLabel, .container = "Frame2", .caption = "Version : " QUORVEL_VERSION,
         .left = 4560, .top = 2280, .width = 1560, .height = 285, .font = FontRole::SplashVersion},
        {.name = "Label1", .kind = Kind::Label, .container = "Frame2", .caption = QString::fromUtf8("Copyright \u00A9 2026 Quorvel"),
         .left = 4440, .top = 2640, .width = 2415, .height = 255, .font = FontRole::SplashSmall},
        {.name = "Label2", .kind = Kind::Label, .container = "Frame2",
         .caption = "Made by Quorvel for learners of HTML.\nQuorvel is not affiliated with any other company.",
         .left = 120, .top = 3480, .width = 6855, .height = 435, .font = FontRole::SplashSmall, .align = Qt::AlignHCenter},
    };
    // clang-format on
    return table;
}

} // namespace

SplashScreen::SplashScreen(ScreenRegistry &registry)
    : Screen(screenName(ScreenId::Splash))
    , m_registry(registry)
    , m_timer(new QTimer(this))
{
    // No title bar, no buttons, not in the taskbar.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setWindowTitle(QString());
    setFocusPolicy(Qt::StrongFocus); // the window itself takes every key
    setClientSize(this, 7380, 4245);
    setFixedSize(size());
    buildControls(this, splashLayout());

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kIntervalMs);
    m_timer->setSingleShot(true); // the window goes at its first tick anyway
    connect(m_timer, &QTimer::timeout, this, &SplashScreen::Timer1_Timer);
}

void SplashScreen::load()
{
    Screen::load();
    m_timer->start();
}

void SplashScreen::keyPressEvent(QKeyEvent *event)
{
    // Only keys that make a character count; Shift, arrows and F-keys do not.
    if (event->text().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_KeyPress();
}

void SplashScreen::Timer1_Timer()
{
    ScreenRegistry &reg = m_registry;
    reg.unload(ScreenId::Splash);
    reg.show(ScreenId::Form1);
}

void SplashScreen::Form_KeyPress()
{
    // The window vanishes now; its timer, armed anew, brings Lesson 1 one
    // interval after the key, never sooner, and unloads the splash then.
    hide();
    m_timer->start();
}

} // namespace quorvel
