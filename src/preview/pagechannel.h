// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QVariantMap>
#include <functional>

namespace quorvel {

// The pane as its documents reach it (preview.js): the object "pane" on
// each page's web channel, in the pane's own script world. What goes across
// is data, never script source.
class PageChannel final : public QObject {
    Q_OBJECT

public:
    std::function<QVariantMap()> onDocumentReady;
    std::function<void(const QVariantMap &)> onDocumentShown;
    std::function<void(double, const QVariantMap &)> onChanged;

signals:
    // Asks the document on view to become page `serial` in place, and to
    // answer with changed(serial, ...). The page is given as a change of
    // page `base`, the one the document holds: `removed` characters at
    // `start` give way to `inserted` (a key crosses as a key, not the page).
    void change(double serial, double base, double start, double removed, const QString &inserted);

public slots:
    // A document is complete: what the document before it showed, and the
    // page as it is now ({before, serial, source, followLimit}).
    QVariantMap documentReady() { return onDocumentReady(); }
    // What it showed after following the edit ({text, first, last}), and
    // whether it holds the page of `serial` ({serial, holds}).
    void documentShown(const QVariantMap &report) { onDocumentShown(report); }
    // The answer to change(serial): whether the change was made in place
    // ({done}), and if not, what the document showed ({text, first, last}).
    void changed(double serial, const QVariantMap &report) { onChanged(serial, report); }
};

} // namespace quorvel
