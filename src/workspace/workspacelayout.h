// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screendesign.h"

namespace quorvel {

// The layout table of a workspace screen: the controls all six share, placed
// by the screen's design, then its instruction panel. In drawing order: later
// rows cover earlier ones.
std::vector<ControlRow> workspaceLayout(const ScreenDesign &design);

// The object names of the screen's focusable controls in the order Tab visits
// them, from their tab indexes.
QStringList focusOrder(const ScreenDesign &design);

} // namespace quorvel
