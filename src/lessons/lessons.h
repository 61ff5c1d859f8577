// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "workspace/screendesign.h"

namespace quorvel::lessons {

const ScreenDesign &lesson1(); // Form1: plain text, <B>, <I>, <U>
const ScreenDesign &lesson2(); // Form2: <BR>, <P>, <HR>
const ScreenDesign &lesson3(); // Form3: links and mail links

} // namespace quorvel::lessons
