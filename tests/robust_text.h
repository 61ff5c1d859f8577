#pragma once

// Texts that carry their own check: a head with the text's number and
// length, a body that follows from the number, and a tail with the number
// again. Sizes run from a few bytes to about two megabytes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace quorvel::testing {

inline QString numberedBody(quint32 n)
{
    const qsizetype size = (static_cast<qsizetype>(n) * 7919 % 2'000'000) + 1;
    QString body(size, Qt::Uninitialized);
    for (qsizetype k = 0; k < size; ++k)
        body[k] = QLatin1Char(static_cast<char>('a' + (n + k) % 26));
    return body;
}

inline QString numberedText(quint32 n)
{
    const QString body = numberedBody(n);
    return QStringLiteral("BEGIN %1 %2\r\n%3\r\nEND %1").arg(n).arg(body.size()).arg(body);
}

// The number of the text `bytes` holds, if it holds exactly one whole text.
inline std::optional<quint32> wholeNumberedText(const QByteArray &bytes)
{
    const qsizetype eol = bytes.indexOf("\r\n");
    if (!bytes.startsWith("BEGIN ") || eol < 0)
        return std::nullopt;
    const QList<QByteArray> head = bytes.mid(6, eol - 6).split(' ');
    bool ok = false;
    const quint32 n = head.value(0).toUInt(&ok);
    if (!ok || head.size() != 2)
        return std::nullopt;
    if (bytes != numberedText(n).toLatin1())
        return std::nullopt;
    return n;
}

} // namespace quorvel::testing
