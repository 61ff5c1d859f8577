// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/screen.h"

namespace quorvel {

// The closing screen: five congratulation texts and the Exit button.
class FinalScreen final : public Screen {
    Q_OBJECT

public:
    FinalScreen();

signals:
    // Command1, "E&xit": the learner is done.
    void exitRequested();
};

} // namespace quorvel
