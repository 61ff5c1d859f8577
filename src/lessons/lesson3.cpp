// Lesson 3 (Form3): links and mail links.
#include "lessons.h"

namespace quorvel::lessons {

const WorkspaceSpec &lesson3()
{
    static const WorkspaceSpec spec{
        .caption = "Quorvel - HTML Lesson 3",
        .clientWidth = 11535, .clientHeight = 5520,
        .frame1Width = 8655, .frame1Height = 5520,
        .browserWidth = 3435,
        .frame3Left = 8640, .frame3Height = 5535,
        .editorTabIndex = 15, .browserTabIndex = 17, .clearTabIndex = 14,
        .command1 = {.caption = "Lesson 3 Practice", .left = 120, .top = 5040, .width = 1695, .tabIndex = 20},
        .cmdContinue = {.caption = "&Final", .left = 1920, .top = 5040, .width = 855, .tabIndex = 4},
        .panel = {},
        .command1Target = ScreenId::Form3Tutorial,
        .continueTarget = ScreenId::Final,
    };
    return spec;
}

} // namespace quorvel::lessons
