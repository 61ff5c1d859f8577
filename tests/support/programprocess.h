// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/startup.h"

#include <QApplication>
#include <QTemporaryDir>

namespace quorvel::testing {

// A process set up the way the program sets itself up: the engine's settings
// before the QApplication exists, the application's after. HOME points at a
// fresh temporary folder, so the scratch page and whatever the engine keeps
// stay out of the real home. Made first in main(): every web view must go
// before the application does.
class ProgramProcess {
public:
    ProgramProcess(int &argc, char **argv)
        : m_app(argc, argv)
    {
        quorvel::prepareApplication();
    }
    QApplication &app() { return m_app; }

private:
    struct BeforeApplication {
        QTemporaryDir home;
        BeforeApplication()
        {
            qputenv("HOME", home.path().toLocal8Bit());
            quorvel::prepareProcess();
        }
    };
    BeforeApplication m_before;
    QApplication m_app;
};

} // namespace quorvel::testing
