// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The learner's first markup mistake, told in one sentence a beginner
// understands. Text in, at most one finding out: no widget, no document, no
// engine, so the editor can ask after every pause in typing.
namespace quorvel::markup {

enum class Mistake {
    UnclosedElement,      // Hello <B>world
    MismatchedEndTag,     // <B><I>x</B></I>
    StrayEndTag,          // x</U>
    EndTagOfVoidElement,  // </BR>
    UnterminatedQuote,    // <A HREF="www.x.com> yahoo </A>
    StrayLessThan,        // 1 < 2
    UnknownElement,       // <bold>
    MisspeltAttribute,    // <A HERF="page2.html">
    UnterminatedComment,  // <!-- note
    AddressWithoutScheme, // <A HREF="www.x.com">
    MailtoSpace,          // <A HREF=mailto: a@b.c>
    UnfinishedTag,        // Hello <B world</B>
    SpaceAfterLessThan,   // </ B>
    CurlyQuotes,          // <A HREF=“page2.html”>
    MissingOpeningQuote,  // <A HREF=page2.html">
    SchemeWithoutColon,   // <A HREF="http//www.x.com">
};

// Indexes into the text given, in UTF-16 code units.
struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
};

struct Finding {
    Mistake kind;
    // The first is where the mistake is, and decides which mistake is first;
    // the others are what it is about (the tag still open, for one).
    std::vector<Span> spans;
    QString sentence; // already translated
};

// Texts longer than this are not checked (returns nothing).
inline constexpr qsizetype kMaxCheckedChars = 256 * 1024;

// Line breaks may be '\n', "\r\n", U+2028 or U+2029: all of them are
// whitespace here.
std::optional<Finding> firstMistake(QStringView text);

} // namespace quorvel::markup
