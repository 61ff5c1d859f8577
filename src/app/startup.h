#pragma once

namespace quorvel {

// What must happen before the QApplication exists: the browser engine's
// process settings. As root (as in CI) the engine's sandbox cannot start, so
// it is turned off in that case only, and the program says so once.
void prepareProcess();

// Application-wide settings once the QApplication exists: names, fonts, and
// that the program ends by its own rule rather than when a window closes.
void prepareApplication();

} // namespace quorvel
