// Lesson 2 Practice (Form2Test).
#include "practice.h"

namespace quorvel::practice {

const WorkspaceSpec &practice2()
{
    static const WorkspaceSpec spec{
        .caption = "Lesson 2 Practice",
        .clientWidth = 11535, .clientHeight = 5490,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 2, .browserTabIndex = 3, .clearTabIndex = 1,
        .command1 = {.caption = "Answer", .left = 240, .top = 5040, .width = 1215, .tabIndex = 9},
        .cmdContinue = {.caption = "&Lesson 3", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 10},
        .panel = {},
        .continueTarget = ScreenId::Form3,
    };
    return spec;
}

} // namespace quorvel::practice
