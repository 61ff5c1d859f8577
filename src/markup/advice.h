// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "markupcheck.h"

#include <QString>
#include <QStringView>
#include <string_view>

// What the checker says of a mistake, and the learner's words it knows to
// say it well: the sentences, the names beginners reach for, the attributes
// of the course's tags, what a web site's address looks like.
namespace quorvel::markup {

// A mistake as the rules note it: a kind and places, nothing to say yet.
struct Found {
    Mistake kind;
    Span at;        // where it is; the earliest is the learner's first
    Span about{};   // what it is about, marked too when it has a length
    Span context{}; // read for the sentence only
};

// The sentence for a mistake found in `text`, translated. Written only for
// the first mistake, so that the guesses and look-ups it needs cost nothing
// while the text is read.
QString sentence(QStringView text, const Found &found);

// The attribute a name on one of the course's tags is one slip away from;
// empty when the name is right, or on no such tag, or like none.
std::string_view meantAttribute(std::string_view tag, std::string_view name);

// Whether an attribute's value is an address: a web site there needs its
// scheme.
bool isAddressAttribute(std::string_view name);

// A value that names a web site, "www.x.com" or "x.org/page", rather than
// a file, a place in the page or an address with its scheme.
bool looksLikeWebSite(QStringView value);

} // namespace quorvel::markup
