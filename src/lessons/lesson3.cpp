// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson 3 (Form3): links and mail links.
#include "lessons.h"

#include "ui/addresses.h"

namespace quorvel::lessons {

const ScreenDesign &lesson3()
{
    static const QString yahoo = QLatin1String(addresses::kYahooHost);
    static const QString brindlecroft = QLatin1String(addresses::kBrindlecroftHost);
    static const QString support = QLatin1String(addresses::kSupportAddress);
    // The course's own table, kept as it reads against the course, line by line.
    // clang-format off
    static const ScreenDesign design{
        .caption = "Quorvel - HTML Lesson 3",
        .clientWidth = 11535, .clientHeight = 5520,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 15, .browserTabIndex = 17, .clearTabIndex = 14,
        .command1 = {.caption = "Lesson 3 Practice", .left = 120, .top = 5040, .width = 1695, .tabIndex = 20},
        .cmdContinue = {.caption = "&Final", .left = 1920, .top = 5040, .width = 855, .tabIndex = 4},
        // The instructions' link addresses open a quote that never closes and
        // have no "http://"; the examples close it and have the prefix. The
        // space after "mailto:" is in both.
        .panel = {
            {.name = "lblIntro", .kind = Kind::Label, .container = "Frame3",
             .caption = "What made HTML popular are hyperlinks and emails.",
             .left = 240, .top = 360, .width = 2535, .height = 495, .colour = kBlue, .tabIndex = 10},
            {.name = "lblStep1", .kind = Kind::Label, .container = "Frame3", .caption = "Step 1",
             .left = 240, .top = 960, .width = 615, .height = 255, .colour = kRed, .tabIndex = 11},
            {.name = "Label1", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write \"This is a hyperlink to  <A HREF=\"" + yahoo + "> yahoo </A>.\"",
             .left = 360, .top = 1200, .width = 2175, .height = 615, .tabIndex = 8},
            {.name = "ShowMe1", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 1680, .width = 975, .height = 375, .tabIndex = 3},
            {.name = "lblStep2", .kind = Kind::Label, .container = "Frame3", .caption = "Step 2",
             .left = 240, .top = 2160, .width = 615, .height = 255, .colour = kRed, .tabIndex = 9},
            {.name = "Label2", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write \"This is a hyperlink to  <A HREF=\"" + brindlecroft + "> Brindlecroft </A>.\"",
             .left = 360, .top = 2520, .width = 2295, .height = 615, .tabIndex = 5},
            {.name = "ShowMe2", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 3120, .width = 975, .height = 375, .tabIndex = 2},
            {.name = "lblStep3", .kind = Kind::Label, .container = "Frame3", .caption = "Step 3",
             .left = 240, .top = 3480, .width = 735, .height = 255, .colour = kRed, .tabIndex = 7},
            {.name = "Label3", .kind = Kind::Label, .container = "Frame3",
             .caption = "Write \"This is an email to <A HREF=mailto: " + support + "> Support </A>\"",
             .left = 360, .top = 3720, .width = 2295, .height = 855, .tabIndex = 6},
            {.name = "ShowMe3", .kind = Kind::Button, .container = "Frame3", .caption = "Show Me",
             .left = 1800, .top = 4440, .width = 975, .height = 375, .tabIndex = 1},
        },
        .snippets = {
            {"ShowMe1", "This is a hyperlink to  <A HREF=\"http://" + yahoo + "\"> yahoo </A>.\r\n"},
            {"ShowMe2", "This is a hyperlink to  <A HREF=\"http://" + brindlecroft + "\"> Brindlecroft </A>.\r\n"},
            {"ShowMe3", "This is an email to <A HREF=mailto: " + support + "> Support </A>\r\n"},
        },
    };
    // clang-format on
    return design;
}

} // namespace quorvel::lessons
