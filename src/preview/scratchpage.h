// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace quorvel::scratch {

// Where the preview's page lives: c:\customizer.html on Windows, otherwise
// customizer.html in the user's home folder.
QString defaultPath();

// The page's bytes for a text. ASCII characters stand as themselves; every
// other character becomes an HTML numeric character reference of its code
// point ("é" as "&#233;", "😀" as "&#128512;"). The browser reads such a file
// the same whatever encoding it guesses, and ASCII text comes out byte for
// byte. A lone surrogate is written as the reference of its code unit.
QByteArray encode(QStringView text);

// Replaces the page at `path` with `page` (the bytes encode() gives), whole or
// not at all: the bytes go to an unnamed file beside it, are checked to have
// reached the disk, and only then is that file renamed over the page. A run
// killed mid-write leaves the previous page and nothing else. The page is
// never written through a link, and a read-only page is left alone. Returns
// the reason on failure.
std::optional<QString> write(const QString &path, const QByteArray &page);
// The same for the page of `text`.
std::optional<QString> write(const QString &path, QStringView text);

} // namespace quorvel::scratch
