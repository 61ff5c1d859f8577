#pragma once

#include "workspace/workspacespec.h"

namespace quorvel::practice {

const WorkspaceSpec &practice1(); // Form1Test
const WorkspaceSpec &practice2(); // Form2Test
const WorkspaceSpec &practice3(); // Form3Tutorial

} // namespace quorvel::practice
