// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screenid.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

namespace quorvel {

class Screen;

// Holds the one instance of each screen for the whole run. A reference to a
// screen that is not loaded builds its window hidden and runs its load step;
// nothing is shown until show() says so. Only the splash is ever unloaded.
class ScreenRegistry final : public QObject {
    Q_OBJECT

public:
    using EndHandler = std::function<void(int status)>;
    using FatalReporter = std::function<void(const QString &message)>;

    ScreenRegistry();
    ~ScreenRegistry() override;

    // A reference to a screen: loads it, hidden, if it is not loaded.
    Screen *screen(ScreenId id);
    template <class T> T *screenAs(ScreenId id) { return qobject_cast<T *>(screen(id)); }
    // The screen if it is loaded; never loads it.
    Screen *loadedScreen(ScreenId id) const;

    void show(ScreenId id);
    void hide(ScreenId id);
    void unload(ScreenId id);
    // One row of the navigation table: hide the current screen, then show the
    // target. No window is on view in between, and the program goes on.
    void move(ScreenId from, ScreenId to);

    // Ends the program at once with this exit status: every window goes, the
    // event loop stops and nothing else runs. The scratch page stays on disk.
    void end(int status);
    bool hasEnded() const { return m_ended; }
    int exitStatus() const { return m_exitStatus; }

    // A failure the program cannot go on from: the learner is told in a
    // message box, standard error gets one line, and the program ends with 1.
    void fail(const QString &message);

    // How many times a screen has been loaded in this run.
    int loadCount(ScreenId id) const;

    // For tests and embedding: what end() and fail() do once the windows are
    // gone. By default end() leaves the event loop with the status and fail()
    // shows a message box.
    void setEndHandler(EndHandler handler) { m_endHandler = std::move(handler); }
    void setFatalReporter(FatalReporter reporter) { m_fatalReporter = std::move(reporter); }

signals:
    void screenLoaded(quorvel::ScreenId id);

private:
    friend Screen *createCourseScreen(ScreenRegistry &registry, ScreenId id);

    struct Slot {
        QPointer<Screen> screen;
        int loads = 0;
    };
    Slot &slot(ScreenId id) { return m_slots[static_cast<size_t>(id)]; }
    const Slot &slot(ScreenId id) const { return m_slots[static_cast<size_t>(id)]; }

    EndHandler m_endHandler;
    FatalReporter m_fatalReporter;
    std::array<Slot, kAllScreens.size()> m_slots{};
    bool m_workspaceBuilt = false;
    bool m_ended = false;
    int m_exitStatus = 0;
};

// Builds any of the course's eight screens, its buttons connected to their
// moves (navigation.h).
Screen *createCourseScreen(ScreenRegistry &registry, ScreenId id);

} // namespace quorvel
