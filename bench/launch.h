// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace bench {

// Starts the program `runs` times (after one start that is not counted) and
// watches its windows through the X server: time to the splash being mapped,
// and to Lesson 1 being mapped with its preview painted in its final state.
// Prints the two figure lines. False when there is no X server to watch.
bool launchFromOutside(const QString &program, int runs);

} // namespace bench
