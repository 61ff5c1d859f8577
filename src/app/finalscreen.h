#pragma once

#include "screen.h"

namespace quorvel {

// The closing screen: five congratulation texts and the Exit button.
class FinalScreen final : public Screen {
    Q_OBJECT

public:
    explicit FinalScreen(ScreenRegistry &registry);

private:
    void Command1_Click();
};

} // namespace quorvel
