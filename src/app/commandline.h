// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace quorvel {

// Reads the command line before the application object exists, so that
// --help, --version and a mistyped option answer at once, with no display
// and no browser engine. Returns the exit status when the program should end
// here; nothing when the course should start. Qt's own options (-platform,
// -style, ...) are let through for the QApplication to read.
std::optional<int> handleCommandLine(int argc, char *argv[]);

} // namespace quorvel
