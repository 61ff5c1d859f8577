// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace bench {

// Each runs in a process of its own with the program's real screens and
// prints figure lines ("sample ..." and "stamp ..." lines for the parent).
int runKeys(bool quick);
int runScreens();
int runGrowth(bool quick);
int runStartup(QApplication &app);

} // namespace bench
