#pragma once

#include "workspace/workspacespec.h"

namespace quorvel::lessons {

const WorkspaceSpec &lesson1(); // Form1: plain text, <B>, <I>, <U>
const WorkspaceSpec &lesson2(); // Form2: <BR>, <P>, <HR>
const WorkspaceSpec &lesson3(); // Form3: links and mail links

} // namespace quorvel::lessons
