#include "screenregistry.h"

#include "finalscreen.h"
#include "lessons/lessons.h"
#include "practice/practice.h"
#include "screen.h"
#include "splashscreen.h"
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

Screen *createCourseScreen(ScreenRegistry &registry, ScreenId id)
{
    switch (id) {
    case ScreenId::Splash:
        return new SplashScreen(registry);
    case ScreenId::Form1:
        return new WorkspaceScreen(registry, id, lessons::lesson1());
    case ScreenId::Form2:
        return new WorkspaceScreen(registry, id, lessons::lesson2());
    case ScreenId::Form3:
        return new WorkspaceScreen(registry, id, lessons::lesson3());
    case ScreenId::Form1Test:
        return new WorkspaceScreen(registry, id, practice::practice1());
    case ScreenId::Form2Test:
        return new WorkspaceScreen(registry, id, practice::practice2());
    case ScreenId::Form3Tutorial:
        return new WorkspaceScreen(registry, id, practice::practice3());
    case ScreenId::Final:
        return new FinalScreen(registry);
    }
    return nullptr;
}

ScreenRegistry::ScreenRegistry(Factory factory)
    : m_factory(factory ? std::move(factory) : Factory(createCourseScreen))
{
}

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
        Screen *built = m_factory(*this, id);
        s.screen = built;
        ++s.loads;
        built->load();
        emit screenLoaded(id);
    }
    return s.screen;
}

Screen *ScreenRegistry::loadedScreen(ScreenId id) const { return slot(id).screen; }

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

void ScreenRegistry::hide(ScreenId id) { screen(id)->hide(); }

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
    emit ended(status);
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

int ScreenRegistry::loadCount(ScreenId id) const { return slot(id).loads; }

} // namespace quorvel
