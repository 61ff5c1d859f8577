// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson 2 Practice (Form2Test).
#include "practice.h"
#include "sentences.h"

namespace quorvel::practice {

const ScreenDesign &practice2()
{
    // The course's own table, kept as it reads against the course, line by line.
    // clang-format off
    static const ScreenDesign design{
        .caption = "Lesson 2 Practice",
        .clientWidth = 11535, .clientHeight = 5490,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 2, .browserTabIndex = 3, .clearTabIndex = 1,
        .command1 = {.caption = "Answer", .left = 240, .top = 5040, .width = 1215, .tabIndex = 9},
        .cmdContinue = {.caption = "&Lesson 3", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 10},
        // The same sentences as the Lesson 1 practice, in the same order;
        // Label6 starts a little higher and overlaps the foot of Label3.
        .panel = {
            {.name = "lblStep1", .kind = Kind::Label, .container = "Frame3", .caption = kEncouragement,
             .left = 120, .top = 360, .width = 2655, .height = 735, .colour = kBlue, .tabIndex = 17},
            {.name = "Label1", .kind = Kind::Label, .container = "Frame3",
             .caption = "   Write a webpage using HTML base on the list from the bottom.   BREAK every name, Paragraph every food, and Horizontal Rule every location.",
             .left = 120, .top = 1200, .width = 2655, .height = 855, .colour = kBlue, .tabIndex = 16},
            {.name = "Label2", .kind = Kind::Label, .container = "Frame3", .caption = kJackAndJill,
             .left = 120, .top = 2280, .width = 2655, .height = 255, .tabIndex = 15},
            {.name = "Label4", .kind = Kind::Label, .container = "Frame3", .caption = kGreenGiant,
             .left = 120, .top = 2640, .width = 2535, .height = 375, .tabIndex = 13},
            {.name = "Label5", .kind = Kind::Label, .container = "Frame3", .caption = kBigFreddy,
             .left = 120, .top = 3240, .width = 2535, .height = 495, .tabIndex = 12},
            {.name = "Label3", .kind = Kind::Label, .container = "Frame3", .caption = kSantaClaus,
             .left = 120, .top = 3840, .width = 2535, .height = 375, .tabIndex = 14},
            {.name = "Label6", .kind = Kind::Label, .container = "Frame3", .caption = kFinallyDone,
             .left = 120, .top = 4200, .width = 2535, .height = 495, .tabIndex = 11},
        },
        // A break after every name, a paragraph after every food, a rule after
        // every location.
        .answerLines = {
            "Jack <BR> and Jill <BR>went up the Hill.<HR> <BR>",
            "The Green Giant<BR> favorite food is corn. <P><BR>",
            "Big Freddy<BR> could no longer go home <HR> after eating 12 donuts. <P> <BR>",
            "Santa Claus <BR> is coming to town. <HR><BR>",
            "I <BR> am finally done with this practice and getting out of here. <HR><BR>",
        },
    };
    // clang-format on
    return design;
}

} // namespace quorvel::practice
