// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quorvel {

class ScreenRegistry;

// What must happen before the QApplication exists: the browser engine's
// process settings. As root (as in CI) the engine's sandbox cannot start, so
// it is turned off in that case only, and the program says so once. Without
// a GPU the program draws through Qt's software paths rather than OpenGL.
void prepareProcess();

// Application-wide settings once the QApplication exists: names, fonts, and
// that the program ends by its own rule rather than when a window closes.
void prepareApplication();

// The course's first step: the splash goes on view, and behind it the
// browser engine starts, so that Lesson 1 finds it ready at the splash's tick.
void startCourse(ScreenRegistry &registry);

} // namespace quorvel
