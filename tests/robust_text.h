// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts that carry their own check: "BEGIN n", a body that follows from n
// (a few bytes to about two megabytes), "END n". A cut or mixed page is no
// such text.

#include <QString>
#include <optional>

namespace quorvel::testing {

inline QByteArray numberedText(quint32 n)
{
    QByteArray body((qsizetype(n) * 7919 % 2'000'000) + 1, Qt::Uninitialized);
    for (qsizetype k = 0; k < body.size(); ++k)
        body[k] = char('a' + (n + k) % 26);
    return "BEGIN " + QByteArray::number(n) + "\r\n" + body + "\r\nEND " + QByteArray::number(n);
}

// The number of the text `bytes` holds, if it holds exactly one whole text.
inline std::optional<quint32> wholeNumberedText(const QByteArray &bytes)
{
    bool ok = false;
    const quint32 n = bytes.mid(6, bytes.indexOf("\r\n") - 6).toUInt(&ok);
    return ok && bytes == numberedText(n) ? std::optional(n) : std::nullopt;
}

} // namespace quorvel::testing
