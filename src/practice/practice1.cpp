// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson 1 Practice (Form1Test).
#include "practice.h"
#include "sentences.h"

namespace quorvel::practice {

const ScreenDesign &practice1()
{
    // The course's own table, kept as it reads against the course, line by line.
    // clang-format off
    static const ScreenDesign design{
        .caption = "Lesson 1 Practice",
        .clientWidth = 11520, .clientHeight = 5505,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 4, .browserTabIndex = 5, .clearTabIndex = 3,
        .command1 = {.caption = "Answer", .left = 240, .top = 5040, .width = 1215, .tabIndex = 17},
        .cmdContinue = {.caption = "&Lesson 2", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 1},
        // The sentences stand in their on-screen order, which is not the
        // numbering of their labels; the answer lines follow that order.
        .panel = {
            // lblStep1 alone has a background: the inactive window border colour.
            {.name = "lblStep1", .kind = Kind::Label, .container = "Frame3", .caption = kEncouragement,
             .left = 120, .top = 360, .width = 2655, .height = 735, .colour = kBlue, .background = kInactiveBorder, .tabIndex = 2},
            {.name = "Label1", .kind = Kind::Label, .container = "Frame3",
             .caption = "   Write a webpage using HTML base on the list from the bottom.   BOLD every name, ITALIC every food, and Underline every location.",
             .left = 120, .top = 1200, .width = 2655, .height = 855, .colour = kBlue, .tabIndex = 11},
            {.name = "Label2", .kind = Kind::Label, .container = "Frame3", .caption = kJackAndJill,
             .left = 120, .top = 2280, .width = 2655, .height = 255, .tabIndex = 12},
            {.name = "Label4", .kind = Kind::Label, .container = "Frame3", .caption = kGreenGiant,
             .left = 120, .top = 2640, .width = 2535, .height = 375, .tabIndex = 14},
            {.name = "Label5", .kind = Kind::Label, .container = "Frame3", .caption = kBigFreddy,
             .left = 120, .top = 3240, .width = 2535, .height = 495, .tabIndex = 15},
            {.name = "Label3", .kind = Kind::Label, .container = "Frame3", .caption = kSantaClaus,
             .left = 120, .top = 3840, .width = 2535, .height = 375, .tabIndex = 13},
            {.name = "Label6", .kind = Kind::Label, .container = "Frame3", .caption = kFinallyDone,
             .left = 120, .top = 4320, .width = 2535, .height = 495, .tabIndex = 16},
        },
        // Names bold, foods italic, locations underlined.
        .answerLines = {
            "<B> Jack </B> and <B> Jill </B>went up the <U>Hill</U>.<BR>",
            "The <B>Green Giant</B> favorite food is <I>corn</I>.<BR>",
            "Big <B>Freddy</B> could no longer go <U>home</U> after eating 12 <I>donuts</I>.<BR>",
            "<B>Santa Claus</B> is coming to <U>town</U>.<BR>",
            "<B>I</B> am finally done with this practice and getting out of <U>here</U>.<BR>",
        },
    };
    // clang-format on
    return design;
}

} // namespace quorvel::practice
