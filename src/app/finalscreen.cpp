// SPDX-License-Identifier: GPL-3.0-or-later
#include "finalscreen.h"

#include "screenid.h"
#include "ui/addresses.h"
#include "ui/controltable.h"

#include <QPushButton>

namespace quorvel {

namespace {

const std::vector<ControlRow> &finalLayout()
{
    using namespace addresses;
    // clang-format off
    static const std::vector<ControlRow> table{
        {.name = "Label1", .kind = Kind::Label, .caption = "Congratulations !!!",
         .left = 120, .top = 120, .width = 2415, .height = 375, .font = FontRole::Congratulation, .colour = kBlue},
        {.name = "Label2", .kind = Kind::Label,
         .caption = "   Through your hard work and patience, you have learn the basics of HTML.   You learn how to use Bold, Italize, and Underline text.  Use breaks, paragraphs, and horizontal rulers.    Make hyperlinks and send e-mails.   And you did it in record time.  It took some of us over 1 year to learn these.  We sure didn't have this back then.",
         .left = 120, .top = 600, .width = 8535, .height = 615, .colour = kRed},
        {.name = "Label5", .kind = Kind::Label,
         .caption = "   If you went through this tutorial and understand the materials, it really mean that you have the brains to learn HTML.  But also mean that we did a good job with this tutorial :).   If you plan to continue your learning, we wish you luck.",
         .left = 120, .top = 1440, .width = 8535, .height = 495, .colour = kBlue},
        {.name = "Label4", .kind = Kind::Label,
         .caption = "   We really appreciate you for giving this a try this demo.  As of this writing, the full version of this is being tested and will be out on Nov. 1, 2001.   There will be a lot more to learn like graphics, frames, and forms.   It will cost only a small fee to help support our team to continue to develop excellent products for the public.",
         .left = 120, .top = 2160, .width = 8535, .height = 615, .colour = kRed},
        {.name = "Label3", .kind = Kind::Label,
         .caption = QStringLiteral("   Recommend that you go back to this tutorial once every 3 months to refresh yourself with HTML.   If you still have problems with a section, go back and spend a little more time on it or email us at ")
                    + QLatin1String(kSupportAddress) + QLatin1Char('.'),
         .left = 120, .top = 3000, .width = 8535, .height = 495, .colour = kBlue},
        {.name = "Command1", .kind = Kind::Button, .caption = "E&xit",
         .left = 3360, .top = 3600, .width = 1335, .height = 375, .tabIndex = 5},
    };
    // clang-format on
    return table;
}

} // namespace

FinalScreen::FinalScreen()
    : Screen(screenName(ScreenId::Final))
{
    setWindowTitle(QStringLiteral("Quorvel - HTML Final"));
    setClientSize(this, 8850, 4140);
    buildControls(this, finalLayout());

    // Exit is the only control that takes the focus, so the space bar presses it.
    auto *exit = findChild<QPushButton *>(QStringLiteral("Command1"));
    exit->setFocus();
    connect(exit, &QPushButton::clicked, this, &FinalScreen::exitRequested);
}

} // namespace quorvel
