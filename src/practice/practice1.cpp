// Lesson 1 Practice (Form1Test).
#include "practice.h"

namespace quorvel::practice {

const WorkspaceSpec &practice1()
{
    static const WorkspaceSpec spec{
        .caption = "Lesson 1 Practice",
        .clientWidth = 11520, .clientHeight = 5505,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 4, .browserTabIndex = 5, .clearTabIndex = 3,
        .command1 = {.caption = "Answer", .left = 240, .top = 5040, .width = 1215, .tabIndex = 17},
        .cmdContinue = {.caption = "&Lesson 2", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 1},
        .panel = {},
        .continueTarget = ScreenId::Form2,
    };
    return spec;
}

} // namespace quorvel::practice
