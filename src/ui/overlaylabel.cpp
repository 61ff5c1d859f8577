// SPDX-License-Identifier: GPL-3.0-or-later
#include "overlaylabel.h"

#include <QLabel>

namespace quorvel {

QLabel *overlayLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFocusPolicy(Qt::NoFocus);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::ToolTipBase);
    label->setForegroundRole(QPalette::ToolTipText);
    label->setMargin(3);
    label->hide();
    return label;
}

} // namespace quorvel
