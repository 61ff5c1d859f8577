// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QLabel;

namespace quorvel {

// Puts the time on the clock label: the date in the user's short date
// format, one space, the time in the user's long time format, read afresh
// (date first, then time). With US settings: "12/06/2026 08:00:50 PM". A text
// wider than the label (the US form in the bold face is a few pixels too
// wide) is narrowed to fit on its one visible line rather than lose its AM/PM
// to the next one.
void showClock(QLabel *label);

} // namespace quorvel
