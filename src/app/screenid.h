// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>

namespace quorvel {

// The eight screens of the course, in the order a learner meets them.
enum class ScreenId {
    Splash,
    Form1,
    Form1Test,
    Form2,
    Form2Test,
    Form3,
    Form3Tutorial,
    Final,
};

inline constexpr std::array kAllScreens{
    ScreenId::Splash,    ScreenId::Form1, ScreenId::Form1Test,     ScreenId::Form2,
    ScreenId::Form2Test, ScreenId::Form3, ScreenId::Form3Tutorial, ScreenId::Final,
};

// The screen's object name, which is also how tests and tools find its window.
QString screenName(ScreenId id);

} // namespace quorvel
