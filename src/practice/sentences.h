// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts that the Lesson 1 and Lesson 2 practices share: the line that
// opens each practice panel (Lesson 3's too) and the five sentences the
// learner marks up. The spaces after each asterisk are part of the texts.
namespace quorvel::practice {

inline constexpr char kEncouragement[] =
    "The tutorial will help you understand and get more familiar with what you just learn in "
    "the lesson.   ";

inline constexpr char kJackAndJill[] = "*   Jack and Jill went up the Hill.";
inline constexpr char kGreenGiant[] = "*   The Green Giant favorite food is corn.";
inline constexpr char kBigFreddy[] =
    "*   Big Freddy could no longer go home after eating 12 donuts.";
inline constexpr char kSantaClaus[] = "*  Santa Claus is coming to town.";
inline constexpr char kFinallyDone[] =
    "*  I am finally done with this practice and getting out of here.";

} // namespace quorvel::practice
