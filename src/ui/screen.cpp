// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen.h"

#include "controltable.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace quorvel {

namespace {

// Twips to pixels the way the toolkit maps a position: truncated toward zero.
int pixelsFromTwips(float twips)
{
    return static_cast<int>(twips / float(kTwipsPerPixel));
}

// The frame the window manager put around the last window it framed: one
// desktop, one kind of frame, so the best guess for a window not framed yet.
QMargins g_knownFrameMargins;

// Where the frame's top-left corner goes for an outer size and a desktop,
// both in pixels.
QPoint centredPosition(QSize outer, QRect desktop)
{
    const float sw = float(desktop.width() * kTwipsPerPixel);
    const float sh = float(desktop.height() * kTwipsPerPixel);
    const float w = float(outer.width() * kTwipsPerPixel);
    const float h = float(outer.height() * kTwipsPerPixel);
    const float left = (sw - w) / 2.0f;
    const float top = (sh - h) / 2.0f;
    return {desktop.x() + pixelsFromTwips(left), desktop.y() + pixelsFromTwips(top)};
}

} // namespace

Screen::Screen(const QString &name)
{
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFont(quorvel::font(FontRole::Default));
}

Screen::~Screen() = default;

void Screen::load()
{
    centre();
}

QMargins Screen::frameMarginsGuess() const
{
    // Before the window manager has framed the window its frame is not known;
    // the frames of windows already shown are the best guess, and the window
    // is centred again once its own frame is known (see event()).
    if (windowFlags() & Qt::FramelessWindowHint)
        return {};
    QMargins margins;
    if (const QWindow *handle = windowHandle(); handle && isVisible())
        margins = handle->frameMargins();
    return margins.isNull() ? g_knownFrameMargins : margins;
}

void Screen::centre()
{
    const QScreen *desk = screen() ? screen() : QGuiApplication::primaryScreen();
    m_marginsUsed = frameMarginsGuess();
    const QPoint at = centredPosition(size().grownBy(m_marginsUsed), desk->geometry());
    // Left first, then Top. move() places the outer frame.
    move(at.x(), pos().y());
    move(at.x(), at.y());
    m_centred = true;
}

bool Screen::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (m_centred && !m_centreSettled && isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::Show)) {
        const QWindow *handle = windowHandle();
        const QMargins real = handle ? handle->frameMargins() : QMargins();
        if (!real.isNull()) {
            g_knownFrameMargins = real;
            m_centreSettled = true;
            if (real != m_marginsUsed)
                centre();
        }
    }
    return handled;
}

void Screen::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closeRequested();
}

} // namespace quorvel
