// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace quorvel {

// A note laid over part of a widget (what the page said, over the preview;
// the learner's first mistake, over the editor): plain text in the tool-tip
// colours, wrapped, hidden until shown. It never takes the focus, and
// clicks go through it to what lies beneath, so it never stands between the
// learner and the widget.
QLabel *overlayLabel(QWidget *parent, const QString &objectName);

} // namespace quorvel
