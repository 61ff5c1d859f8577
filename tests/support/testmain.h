// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/startup.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

namespace quorvel::testing {

// Like QTest's own main, but the program's own process and application set-up
// runs, and HOME points at a fresh temporary folder so the scratch page (and
// anything the browser engine keeps) stays out of the real home. The test
// object, and with it every web view, goes before the application.
template <class TestClass> int runTests(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    quorvel::prepareProcess();
    QApplication app(argc, argv);
    quorvel::prepareApplication();
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestClass tests;
    return QTest::qExec(&tests, argc, argv);
}

} // namespace quorvel::testing

#define QUORVEL_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        return quorvel::testing::runTests<TestClass>(argc, argv);                                  \
    }
