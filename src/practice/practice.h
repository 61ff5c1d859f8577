// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "workspace/screendesign.h"

namespace quorvel::practice {

const ScreenDesign &practice1(); // Form1Test
const ScreenDesign &practice2(); // Form2Test
const ScreenDesign &practice3(); // Form3Tutorial

} // namespace quorvel::practice
