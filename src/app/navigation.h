// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screenid.h"

#include <optional>

namespace quorvel {

class Screen;
class ScreenRegistry;

// The foot buttons that can move the learner on.
enum class Button { Command1, cmdContinue };

// One move of the course: a screen's button leads to the next screen, which
// is shown after the current one is hidden. No next screen: the program ends.
struct Move {
    ScreenId from;
    Button button;
    std::optional<ScreenId> to;
};

// Every move of the course, as the learner meets them. On a practice Command1
// is "Answer", which moves nowhere; the splash hands over to Lesson 1 by
// itself at its timer's tick (splashscreen.h).
inline constexpr Move kNavigation[] = {
    {ScreenId::Form1, Button::Command1, ScreenId::Form1Test},        // "Lesson 1 Practice"
    {ScreenId::Form1, Button::cmdContinue, ScreenId::Form2},         // "&Lesson 2"
    {ScreenId::Form1Test, Button::cmdContinue, ScreenId::Form2},     // "&Lesson 2"
    {ScreenId::Form2, Button::Command1, ScreenId::Form2Test},        // "Lesson 2 Practice"
    {ScreenId::Form2, Button::cmdContinue, ScreenId::Form3},         // "&Lesson 3"
    {ScreenId::Form2Test, Button::cmdContinue, ScreenId::Form3},     // "&Lesson 3"
    {ScreenId::Form3, Button::Command1, ScreenId::Form3Tutorial},    // "Lesson 3 Practice"
    {ScreenId::Form3, Button::cmdContinue, ScreenId::Final},         // "&Final"
    {ScreenId::Form3Tutorial, Button::cmdContinue, ScreenId::Final}, // "&Finish"
    {ScreenId::Final, Button::Command1, std::nullopt},               // "E&xit"
};

// Connects the buttons of a screen just built to their moves in the table.
void connectMoves(ScreenRegistry &registry, ScreenId id, Screen *screen);

} // namespace quorvel
