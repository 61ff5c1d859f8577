// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"
#include "app/screenregistry.h"
#include "app/startup.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void noteSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM (a logout, a service manager, kill), SIGINT (Ctrl+C in a terminal)
// and SIGHUP end the course as "Exit" does, with status 0: the handler only
// wakes the event loop, which ends the course there.
void endOnSignals(quorvel::ScreenRegistry &registry)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &registry);
    QObject::connect(notifier, &QSocketNotifier::activated, &registry,
                     [&registry] { registry.end(0); });
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    if (const auto status = quorvel::handleCommandLine(argc, argv))
        return *status;
    quorvel::prepareProcess();
    QApplication app(argc, argv);
    quorvel::prepareApplication();

    int status = 0;
    {
        quorvel::ScreenRegistry registry;
        endOnSignals(registry);
        quorvel::startCourse(registry);
        status = app.exec();
    } // every window, and with them the browser views, goes before the application
    return status;
}
