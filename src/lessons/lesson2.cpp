// Lesson 2 (Form2): <BR>, <P> and <HR>.
#include "lessons.h"

namespace quorvel::lessons {

const WorkspaceSpec &lesson2()
{
    static const WorkspaceSpec spec{
        .caption = "Quorvel - HTML Lesson 2",
        .clientWidth = 11535, .clientHeight = 5505,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 15, .browserTabIndex = 17, .clearTabIndex = 14,
        .command1 = {.caption = "Lesson 2 Practice", .left = 120, .top = 5040, .width = 1455, .tabIndex = 20},
        .cmdContinue = {.caption = "&Lesson 3", .left = 1680, .top = 5040, .width = 1095, .tabIndex = 4},
        .panel = {},
        .command1Target = ScreenId::Form2Test,
        .continueTarget = ScreenId::Form3,
    };
    return spec;
}

} // namespace quorvel::lessons
