// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/controltable.h"

#include <QString>
#include <vector>

namespace quorvel {

// A button at the foot of the instruction panel. Places in twips, inside Frame3.
struct FootButton {
    QString caption;
    int left = 0, top = 0, width = 0;
    int tabIndex = -1;
};

// A "Show Me" button's example: appended to the end of the editor's text.
struct Snippet {
    QString button; // the button's object name, e.g. "ShowMe1"
    QString text;   // CR LF line breaks
};

// Everything that makes one workspace screen differ from the others. The
// common layout (editor, preview, clock, Clear, the frames) is built from it
// by one builder; see workspacelayout.h. Where the two foot buttons lead is
// not the screen's business: the course's navigation table says.
struct ScreenDesign {
    QString caption;
    int clientWidth = 0, clientHeight = 0; // twips
    bool fixedBorder = false;              // Lesson 1 cannot be resized
    int frame1Width = 0, frame1Height = 0;
    int browserWidth = 0;
    int frame3Left = 0, frame3Height = 0;

    // Tab indexes of the common controls; with the panel's own they give the
    // order in which Tab visits the screen's controls.
    int editorTabIndex = -1, browserTabIndex = -1, clearTabIndex = -1;

    FootButton command1;    // "Lesson N Practice" on a lesson, "Answer" on a practice
    FootButton cmdContinue; // the next lesson, or the closing screen

    std::vector<ControlRow> panel; // the instruction panel's own controls, inside Frame3

    std::vector<Snippet> snippets;    // lessons: the Show Me examples
    std::vector<QString> answerLines; // practices: appended one by one, each with CR LF

    // A practice is a screen with an answer: its Command1 is "Answer".
    bool isPractice() const { return !answerLines.empty(); }
};

} // namespace quorvel
