// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/startup.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// Like QTEST_MAIN, but the program's own process and application set-up runs,
// and HOME points at a fresh temporary folder so the scratch page (and
// anything the browser engine keeps) stays out of the real home.
#define QUORVEL_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        qputenv("HOME", home.path().toLocal8Bit());                                                \
        quorvel::prepareProcess();                                                                 \
        QApplication app(argc, argv);                                                              \
        quorvel::prepareApplication();                                                             \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        int status = 0;                                                                            \
        {                                                                                          \
            TestClass tc;                                                                          \
            QTEST_SET_MAIN_SOURCE_PATH                                                             \
            status = QTest::qExec(&tc, argc, argv);                                                \
        }                                                                                          \
        return status;                                                                             \
    }
