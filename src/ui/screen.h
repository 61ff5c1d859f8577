#pragma once

#include "screenid.h"

#include <QMargins>
#include <QWidget>

namespace quorvel {

class ScreenRegistry;

// A top-level window of the course. It is built hidden from its layout table
// in its constructor; the registry then runs its load step and shows it.
class Screen : public QWidget {
    Q_OBJECT

public:
    Screen(ScreenRegistry &registry, ScreenId id);
    ~Screen() override;

    ScreenId id() const { return m_id; }

    // The load step: runs once per load, before the window first appears.
    // Every screen centres itself first; subclasses add their own steps.
    virtual void load();

    // Places the window's outer frame in the middle of the desktop:
    // Left = (SW - W) / 2, then Top = (SH - H) / 2, in single precision and
    // twips, neither rounded nor clamped, so a window larger than the desktop
    // gets a negative place.
    void centre();

    // Where centre() would put the frame's top-left corner for an outer size
    // and a desktop, both in pixels.
    static QPoint centredPosition(QSize outer, QRect desktop);

protected:
    ScreenRegistry &registry() const { return m_registry; }
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QMargins frameMarginsGuess() const;

    ScreenRegistry &m_registry;
    ScreenId m_id;
    QMargins m_marginsUsed;
    bool m_centred = false;
    bool m_centreSettled = false;
};

} // namespace quorvel
