// SPDX-License-Identifier: GPL-3.0-or-later
#include "lexical.h"

#include <algorithm>

namespace quorvel::markup {

qsizetype commentEnd(QStringView text, qsizetype from)
{
    const QStringView rest = text.sliced(std::min(from, text.size()));
    if (rest.startsWith(u'>'))
        return from + 1;
    if (rest.startsWith(u"->"))
        return from + 2;
    return commentCloses(text, from);
}

qsizetype commentCloses(QStringView text, qsizetype from)
{
    for (qsizetype k = text.indexOf(u"--", from); k >= 0; k = text.indexOf(u"--", k + 1)) {
        const QStringView after = text.sliced(k + 2);
        if (after.startsWith(u'>'))
            return k + 3;
        if (after.startsWith(u"!>"))
            return k + 4;
    }
    return -1;
}

qsizetype referenceLength(QStringView text, qsizetype at)
{
    const qsizetype n = text.size();
    qsizetype i = at + 1;
    if (i < n && text[i] == u'#') {
        ++i;
        const bool hex = i < n && (text[i] == u'x' || text[i] == u'X');
        i += hex ? 1 : 0;
        const qsizetype digits = i;
        const auto isDigit = [hex](char16_t c) {
            return isAsciiDigit(c) || (hex && (c | 0x20) >= u'a' && (c | 0x20) <= u'f');
        };
        while (i < n && isDigit(text[i].unicode()))
            ++i;
        if (i == digits)
            return 0;
        return (i < n && text[i] == u';' ? i + 1 : i) - at;
    }
    if (i >= n || !isAsciiLetter(text[i].unicode()))
        return 0;
    while (i < n && (isAsciiLetter(text[i].unicode()) || isAsciiDigit(text[i].unicode())))
        ++i;
    return i < n && text[i] == u';' ? i + 1 - at : 0;
}

} // namespace quorvel::markup
