// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson 1 (Form1): plain text and the text-style tags <B>, <I> and <U>.
#include "lessons.h"

namespace quorvel::lessons {

const ScreenDesign &lesson1()
{
    // The course's own table, kept as it reads against the course, line by line.
    // clang-format off
    static const ScreenDesign design{
        .caption = "Quorvel - HTML Lesson 1",
        .clientWidth = 11640, .clientHeight = 5655,
        .fixedBorder = true,
        .frame1Width = 8775, .frame1Height = 5640,
        .browserWidth = 3555,
        .frame3Left = 8760, .frame3Height = 5655,
        .editorTabIndex = 2, .browserTabIndex = 4, .clearTabIndex = 7,
        .command1 = {.caption = "Lesson 1 Practice", .left = 120, .top = 5160, .width = 1575, .tabIndex = 23},
        .cmdContinue = {.caption = "&Lesson 2", .left = 1920, .top = 5160, .width = 855, .tabIndex = 17},
        .panel = {
            // control                   kind                 caption
            //   left, top, width, height, colour, tab index
            {.name = "lblIntro", .kind = Kind::Label, .container = "Frame3",
             .caption = "To write text Bold, use the <B> to start and the </B> to end bold.",
             .left = 240, .top = 360, .width = 2535, .height = 495, .colour = kBlue, .tabIndex = 10},
            {.name = "lblStep1", .kind = Kind::Label, .container = "Frame3", .caption = "Step 1",
             .left = 240, .top = 1080, .width = 615, .height = 255, .colour = kRed, .tabIndex = 9},
            {.name = "Label1", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write \"This is regular text.\"",
             .left = 480, .top = 1320, .width = 2175, .height = 375, .tabIndex = 12},
            {.name = "ShowMe1", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 1560, .width = 975, .height = 375, .tabIndex = 19},
            {.name = "lblStep2", .kind = Kind::Label, .container = "Frame3", .caption = "Step 2",
             .left = 240, .top = 2040, .width = 615, .height = 255, .colour = kRed, .tabIndex = 11},
            {.name = "Label2", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write  <B> This is Bold </B>.",
             .left = 480, .top = 2280, .width = 2295, .height = 255, .tabIndex = 18},
            {.name = "ShowMe2", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 2520, .width = 975, .height = 375, .tabIndex = 20},
            {.name = "lblStep3", .kind = Kind::Label, .container = "Frame3", .caption = "Step 3",
             .left = 240, .top = 3000, .width = 735, .height = 255, .colour = kRed, .tabIndex = 13},
            {.name = "Label3", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write  \"<I> This is Italic </I>\".",
             .left = 480, .top = 3240, .width = 2175, .height = 255, .tabIndex = 14},
            {.name = "ShowMe3", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 3480, .width = 975, .height = 375, .tabIndex = 21},
            {.name = "lblStep4", .kind = Kind::Label, .container = "Frame3", .caption = "Step 4",
             .left = 240, .top = 3960, .width = 735, .height = 255, .colour = kRed, .tabIndex = 15},
            {.name = "Label4", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write  \"<U> This is Underline. </U>\"",
             .left = 480, .top = 4200, .width = 2175, .height = 375, .tabIndex = 16},
            {.name = "ShowMe4", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 4560, .width = 975, .height = 375, .tabIndex = 22},
        },
        .snippets = {
            {"ShowMe1", "This is regular Text.\r\n"},
            {"ShowMe2", "<B> This is Bold. </B>\r\n"},
            {"ShowMe3", "<I> This is Italic. </I>\r\n"},
            {"ShowMe4", "<U> This is Underline. </U>\r\n"},
        },
    };
    // clang-format on
    return design;
}

} // namespace quorvel::lessons
