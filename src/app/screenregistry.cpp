// SPDX-License-Identifier: GPL-3.0-or-later
#include "screenregistry.h"

#include "finalscreen.h"
#include "lessons/lessons.h"
#include "navigation.h"
#include "practice/practice.h"
#include "splashscreen.h"
#include "ui/screen.h"
#include "workspace/workspacescreen.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>

namespace quorvel {

QString screenName(ScreenId id)
{
    switch (id) {
    case ScreenId::Splash:
        return QStringLiteral("frmSplash");
    case ScreenId::Form1:
        return QStringLiteral("Form1");
    case ScreenId::Form1Test:
        return QStringLiteral("Form1Test");
    case ScreenId::Form2:
        return QStringLiteral("Form2");
    case ScreenId::Form2Test:
        return QStringLiteral("Form2Test");
    case ScreenId::Form3:
        return QStringLiteral("Form3");
    case ScreenId::Form3Tutorial:
        return QStringLiteral("Form3Tutorial");
    case ScreenId::Final:
        return QStringLiteral("formFinal");
    }
    return {};
}

namespace {

const ScreenDesign &designOf(ScreenId id)
{
    switch (id) {
    case ScreenId::Form1:
        return lessons::lesson1();
    case ScreenId::Form2:
        return lessons::lesson2();
    case ScreenId::Form3:
        return lessons::lesson3();
    case ScreenId::Form1Test:
        return practice::practice1();
    case ScreenId::Form2Test:
        return practice::practice2();
    default:
        return practice::practice3();
    }
}

} // namespace

Screen *createCourseScreen(ScreenRegistry &registry, ScreenId id)
{
    Screen *screen = nullptr;
    if (id == ScreenId::Splash) {
        screen = new SplashScreen(registry);
    } else if (id == ScreenId::Final) {
        screen = new FinalScreen;
    } else {
        auto *workspace = new WorkspaceScreen(screenName(id), designOf(id));
        // Without a page at the first workspace load there is no preview at
        // all: the program says so and ends. A later screen goes on, its pane
        // saying what is wrong, and its next change tries again.
        if (!registry.m_workspaceBuilt)
            QObject::connect(
                workspace, &WorkspaceScreen::pageUnavailable, &registry,
                [&registry](const QString &path, const QString &reason) {
                    registry.fail(
                        QStringLiteral("cannot create the preview page %1: %2").arg(path, reason));
                });
        registry.m_workspaceBuilt = true;
        screen = workspace;
    }
    connectMoves(registry, id, screen);
    return screen;
}

ScreenRegistry::ScreenRegistry() = default;

ScreenRegistry::~ScreenRegistry()
{
    // Windows (and their web views) go before the application object does.
    for (Slot &s : m_slots)
        delete s.screen.data();
}

Screen *ScreenRegistry::screen(ScreenId id)
{
    Slot &s = slot(id);
    if (!s.screen) {
        Screen *built = createCourseScreen(*this, id);
        // A window closed through its frame ends the course as Exit does: a
        // program left running with no window on view would be one the
        // learner cannot reach.
        connect(built, &Screen::closeRequested, this, [this] { end(0); });
        s.screen = built;
        ++s.loads;
        built->load();
        emit screenLoaded(id);
    }
    return s.screen;
}

Screen *ScreenRegistry::loadedScreen(ScreenId id) const
{
    return slot(id).screen;
}

void ScreenRegistry::show(ScreenId id)
{
    if (m_ended)
        return;
    Screen *w = screen(id);
    if (m_ended) // the load step may have found a fault it cannot go on from
        return;
    w->show();
    w->raise();
    w->activateWindow();
}

void ScreenRegistry::hide(ScreenId id)
{
    screen(id)->hide();
}

void ScreenRegistry::unload(ScreenId id)
{
    Slot &s = slot(id);
    if (Screen *w = s.screen) {
        // The window vanishes now; the object goes once the event that asked
        // for this (often one of its own) has been handled.
        s.screen = nullptr;
        w->hide();
        w->deleteLater();
    }
}

void ScreenRegistry::move(ScreenId from, ScreenId to)
{
    hide(from);
    show(to);
}

void ScreenRegistry::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    m_exitStatus = status;
    for (Slot &s : m_slots)
        if (s.screen)
            s.screen->hide();
    if (m_endHandler)
        m_endHandler(status);
    else
        QCoreApplication::exit(status);
}

void ScreenRegistry::fail(const QString &message)
{
    std::fprintf(stderr, "quorvel: %s\n", qPrintable(message));
    std::fflush(stderr);
    if (m_fatalReporter)
        m_fatalReporter(message);
    else
        QMessageBox::critical(nullptr, QStringLiteral("Quorvel - HTML"), message);
    end(1);
}

int ScreenRegistry::loadCount(ScreenId id) const
{
    return slot(id).loads;
}

} // namespace quorvel
