// Lesson 3 Practice (Form3Tutorial).
#include "practice.h"

namespace quorvel::practice {

const WorkspaceSpec &practice3()
{
    static const WorkspaceSpec spec{
        .caption = "Lesson 3 Practice",
        .clientWidth = 11535, .clientHeight = 5505,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 2, .browserTabIndex = 3, .clearTabIndex = 1,
        .command1 = {.caption = "Answer", .left = 240, .top = 5040, .width = 1215, .tabIndex = 10},
        .cmdContinue = {.caption = "&Finish", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 9},
        .panel = {},
        .continueTarget = ScreenId::Final,
    };
    return spec;
}

} // namespace quorvel::practice
