#pragma once

#include "workspacespec.h"

namespace quorvel {

// The layout table of a workspace screen: the controls all six share, placed
// by the screen's spec, then its instruction panel. In drawing order: later
// rows cover earlier ones.
std::vector<ControlSpec> workspaceLayout(const WorkspaceSpec &spec);

// The object names of the screen's focusable controls in the order Tab visits
// them, from their tab indexes.
QStringList focusOrder(const WorkspaceSpec &spec);

} // namespace quorvel
