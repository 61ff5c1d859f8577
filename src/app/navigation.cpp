// SPDX-License-Identifier: GPL-3.0-or-later
#include "navigation.h"

#include "finalscreen.h"
#include "screenregistry.h"
#include "workspace/workspacescreen.h"

namespace quorvel {

void connectMoves(ScreenRegistry &registry, ScreenId id, Screen *screen)
{
    for (const Move &move : kNavigation) {
        if (move.from != id)
            continue;
        const auto go = [&registry, move] {
            if (move.to)
                registry.move(move.from, *move.to);
            else
                registry.end(0);
        };
        if (auto *workspace = qobject_cast<WorkspaceScreen *>(screen))
            QObject::connect(workspace,
                             move.button == Button::Command1 ? &WorkspaceScreen::practiceRequested
                                                             : &WorkspaceScreen::continueRequested,
                             &registry, go);
        else if (auto *final = qobject_cast<FinalScreen *>(screen))
            QObject::connect(final, &FinalScreen::exitRequested, &registry, go);
    }
}

} // namespace quorvel
