// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A long session at speed: the six workspace screens loaded, their clocks
// ticking, and keystrokes, Show Me, Answer and Clear spread over all six in
// turn, while the program's memory (its own and its renderers') and its open
// file handles are sampled. Shared by the soak program and its short test.

#include <QList>
#include <QString>
#include <functional>

namespace quorvel::soak {

struct Sample {
    qint64 keystrokes = 0;
    qint64 clockTicks = 0;   // per screen
    qint64 rssKiB = 0;       // this process
    qint64 pssKiB = 0;       // this process and every process it started (renderers)
    int processes = 0;       // that family's size
    int openFiles = 0;       // this process
    int pagesReplaced = 0;   // fresh pages the panes took (stuck renderers)
    bool showsLatest = true; // the pane on view caught up with its text
};

struct Plan {
    qint64 keystrokes = 100'000;
    qint64 sessionSeconds = 8 * 3600; // clock ticks per screen
    // The screens take turns this many times; a sample is taken at the end
    // of each turn.
    int rounds = 10;
};

// Runs the session on the real screens; `onSample` sees each sample as it
// is taken: the first with every screen loaded, then one after each round.
QList<Sample> run(const Plan &plan, const std::function<void(const Sample &)> &onSample = {});

Sample measure();

} // namespace quorvel::soak
