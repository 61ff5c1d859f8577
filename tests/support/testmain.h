// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programprocess.h"

#include <QTest>

namespace quorvel::testing {

// Like QTest's own main, in a process set up as the program's own. The test
// object, and with it every web view, goes before the application.
template <class TestClass> int runTests(int argc, char *argv[])
{
    ProgramProcess process(argc, argv);
    process.app().setAttribute(Qt::AA_Use96Dpi, true);
    TestClass tests;
    return QTest::qExec(&tests, argc, argv);
}

} // namespace quorvel::testing

#define QUORVEL_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        return quorvel::testing::runTests<TestClass>(argc, argv);                                  \
    }
