// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson 3 Practice (Form3Tutorial).
#include "practice.h"
#include "sentences.h"

#include "ui/addresses.h"

namespace quorvel::practice {

const ScreenDesign &practice3()
{
    static const QString microsoft = QLatin1String(addresses::kMicrosoftHost);
    static const QString quicken = QLatin1String(addresses::kQuickenHost);
    static const QString support = QLatin1String(addresses::kSupportAddress);
    // The course's own table, kept as it reads against the course, line by line.
    // clang-format off
    static const ScreenDesign design{
        .caption = "Lesson 3 Practice",
        .clientWidth = 11535, .clientHeight = 5505,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 2, .browserTabIndex = 3, .clearTabIndex = 1,
        .command1 = {.caption = "Answer", .left = 240, .top = 5040, .width = 1215, .tabIndex = 10},
        .cmdContinue = {.caption = "&Finish", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 9},
        // Three tasks, top to bottom: Label2, Label5, Label3.
        .panel = {
            {.name = "lblStep1", .kind = Kind::Label, .container = "Frame3", .caption = kEncouragement,
             .left = 120, .top = 240, .width = 2655, .height = 735, .colour = kBlue, .tabIndex = 11},
            {.name = "Label1", .kind = Kind::Label, .container = "Frame3",
             .caption = "  Your final test will not be that hard.   But make sure you are connected to the internet to make the links work.",
             .left = 120, .top = 1080, .width = 2655, .height = 615, .colour = kBlue, .tabIndex = 12},
            {.name = "Label2", .kind = Kind::Label, .container = "Frame3",
             .caption = "*   Write \"a hyperlink to go to " + microsoft + " , " + quicken + ", and your favorite website.\"",
             .left = 120, .top = 1920, .width = 2655, .height = 855, .tabIndex = 13},
            {.name = "Label5", .kind = Kind::Label, .container = "Frame3",
             .caption = "*  Write an email to yourself and see if you get it.",
             .left = 120, .top = 3000, .width = 2535, .height = 495, .tabIndex = 15},
            {.name = "Label3", .kind = Kind::Label, .container = "Frame3",
             .caption = "*  Write \"an email to " + support + " and let them know how you like this and what might need to be improve.\"",
             .left = 120, .top = 3720, .width = 2535, .height = 855, .tabIndex = 14},
        },
        // The e-mail to oneself (Label5) has no answer; the support address
        // stays plain text, not a mail link.
        .answerLines = {
            "a hyperlink to go to <A HREF=\"http://" + microsoft + "\"> " + microsoft + " </A> , <A HREF=\"http://"
                + quicken + "\"> " + quicken + " </A>, and your favorite website. <BR><BR>",
            "an email to " + support + " and let them know how you like this and what might need to be improve. <BR><BR>",
        },
    };
    // clang-format on
    return design;
}

} // namespace quorvel::practice
