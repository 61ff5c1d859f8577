// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

// How the browser reads the learner's characters, where the checker and the
// colours must agree.
namespace quorvel::markup {

// White space: HTML's own (space, tab, line feed, form feed, carriage
// return) and the editor's line and paragraph separators (U+2028, U+2029),
// which the page gets as line breaks.
constexpr bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c == 0x2028 ||
           c == 0x2029;
}

constexpr bool isAsciiLetter(char16_t c)
{
    return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
}

constexpr bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Where a tag's or an attribute's name ends (at a '=' too, for an
// attribute's, past its first character).
constexpr bool endsTagName(char16_t c)
{
    return isSpace(c) || c == u'/' || c == u'>';
}

// Where a comment ends: `from` is just past its "<!--". Returns the index
// just past its end ("-->", "--!>", or at once "<!-->" and "<!--->"), or -1
// when it does not end in `text`.
qsizetype commentEnd(QStringView text, qsizetype from);
// The same for a comment already under way at `from` (on a line after the
// one it opened on): only "-->" and "--!>" end it there.
qsizetype commentCloses(QStringView text, qsizetype from);

// The length of the character reference at `at` ("&amp;", "&#233;",
// "&#x41;"), 0 when there is none. A numeric reference counts without its
// ";" too, as the browser reads it. A name needs its ";": the few names the
// browser also reads without one would need its whole table of names.
qsizetype referenceLength(QStringView text, qsizetype at);

} // namespace quorvel::markup
