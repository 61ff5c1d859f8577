// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson 2 (Form2): <BR>, <P> and <HR>.
#include "lessons.h"

namespace quorvel::lessons {

const ScreenDesign &lesson2()
{
    // The course's own table, kept as it reads against the course, line by line.
    // clang-format off
    static const ScreenDesign design{
        .caption = "Quorvel - HTML Lesson 2",
        .clientWidth = 11535, .clientHeight = 5505,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 15, .browserTabIndex = 17, .clearTabIndex = 14,
        .command1 = {.caption = "Lesson 2 Practice", .left = 120, .top = 5040, .width = 1455, .tabIndex = 20},
        .cmdContinue = {.caption = "&Lesson 3", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 4},
        .panel = {
            {.name = "lblIntro", .kind = Kind::Label, .container = "Frame3",
             .caption = " Use Breaks and Paragraphs to make your text more readable.",
             .left = 240, .top = 360, .width = 2535, .height = 495, .colour = kBlue, .tabIndex = 10},
            {.name = "lblStep1", .kind = Kind::Label, .container = "Frame3", .caption = "Step 1",
             .left = 240, .top = 1080, .width = 615, .height = 255, .colour = kRed, .tabIndex = 11},
            {.name = "Label1", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write \"I am using a break at the end <BR>.   This is the second line. <BR>\"",
             .left = 480, .top = 1320, .width = 2175, .height = 615, .tabIndex = 8},
            {.name = "ShowMe1", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 1920, .width = 975, .height = 375, .tabIndex = 3},
            {.name = "lblStep2", .kind = Kind::Label, .container = "Frame3", .caption = "Step 2",
             .left = 240, .top = 2280, .width = 615, .height = 255, .colour = kRed, .tabIndex = 9},
            {.name = "Label2", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write  \"One Paragraph is about two breaks. <P>  This is the second line. <P>\"",
             .left = 480, .top = 2520, .width = 2295, .height = 615, .tabIndex = 5},
            {.name = "ShowMe2", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 3120, .width = 975, .height = 375, .tabIndex = 2},
            {.name = "lblStep3", .kind = Kind::Label, .container = "Frame3", .caption = "Step 3",
             .left = 240, .top = 3600, .width = 735, .height = 255, .colour = kRed, .tabIndex = 7},
            {.name = "Label3", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write  \"Use the  Horizontal Ruler.  <HR>  Great to use to separate pages.\"",
             .left = 480, .top = 3840, .width = 2175, .height = 615, .tabIndex = 6},
            {.name = "ShowMe3", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 4440, .width = 975, .height = 375, .tabIndex = 1},
        },
        // Steps 1 and 2 end without a line break; step 3 starts and ends with one.
        .snippets = {
            {"ShowMe1", "I am using a break at the end <BR>\r\nThis is the second line. <BR>"},
            {"ShowMe2", "One Paragraph is about two breaks. <P>\r\nThis is the second line. <P>"},
            {"ShowMe3", "\r\nUse the  Horizontal Ruler.  <HR>\r\nGreat to use to separate pages. <BR>\r\n"},
        },
    };
    // clang-format on
    return design;
}

} // namespace quorvel::lessons
