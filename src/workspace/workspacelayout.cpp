// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspacelayout.h"

#include <QStringList>
#include <algorithm>
#include <utility>

namespace quorvel {

std::vector<ControlRow> workspaceLayout(const ScreenDesign &s)
{
    // clang-format off
    std::vector<ControlRow> table{
        {.name = "Frame1", .kind = Kind::Frame, .container = "",
         .left = 0, .top = 0, .width = s.frame1Width, .height = s.frame1Height},
        // The clock comes before Frame2, which covers its lower half.
        {.name = "lblTime", .kind = Kind::Label, .container = "Frame1", .caption = "Time",
         .left = 1920, .top = 240, .width = 2055, .height = 375, .font = FontRole::EditorBold, .align = Qt::AlignHCenter},
        {.name = "Label8", .kind = Kind::Label, .container = "Frame1", .caption = "--   Preview Screen  --",
         .left = 5160, .top = 240, .width = 3255, .height = 375, .font = FontRole::PreviewTitle, .colour = kBlue, .align = Qt::AlignHCenter},
        {.name = "WebBrowser1", .kind = Kind::Placed, .container = "Frame1",
         .left = 5160, .top = 600, .width = s.browserWidth, .height = 4845, .tabIndex = s.browserTabIndex},
        {.name = "Frame2", .kind = Kind::Frame, .container = "Frame1",
         .left = 0, .top = 480, .width = 5055, .height = 4935},
        {.name = "lblMisc", .kind = Kind::Label, .container = "Frame2", .caption = "Item Description :",
         .left = 240, .top = 240, .width = 1455, .height = 255, .font = FontRole::DefaultBold},
        {.name = "txtItemDescription", .kind = Kind::Placed, .container = "Frame2",
         .left = 120, .top = 600, .width = 4815, .height = 3615, .font = FontRole::Editor, .tabIndex = s.editorTabIndex},
        {.name = "cmdClear", .kind = Kind::Button, .container = "Frame2", .caption = "Clear",
         .left = 3840, .top = 4440, .width = 1095, .height = 375, .tabIndex = s.clearTabIndex},
        {.name = "Frame3", .kind = Kind::TitledFrame, .container = "", .caption = "Instructions",
         .left = s.frame3Left, .top = 0, .width = 2895, .height = s.frame3Height},
    };
    // clang-format on
    table.insert(table.end(), s.panel.begin(), s.panel.end());
    // The two foot buttons of the panel, 375 twips high.
    for (const auto &[name, b] :
         {std::pair{"Command1", &s.command1}, {"cmdContinue", &s.cmdContinue}})
        table.push_back({.name = name,
                         .kind = Kind::Button,
                         .container = "Frame3",
                         .caption = b->caption,
                         .left = b->left,
                         .top = b->top,
                         .width = b->width,
                         .height = 375,
                         .tabIndex = b->tabIndex});
    return table;
}

QStringList focusOrder(const ScreenDesign &design)
{
    std::vector<std::pair<int, QString>> focusable;
    for (const ControlRow &c : workspaceLayout(design))
        if (c.kind == Kind::Button || c.kind == Kind::Placed)
            focusable.emplace_back(c.tabIndex, c.name);
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList names;
    for (const auto &[index, name] : focusable)
        names << name;
    return names;
}

} // namespace quorvel
