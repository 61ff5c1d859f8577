// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lexical.h"

#include <QStringView>
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

// What the browser knows of each tag: what it reads after the start tag,
// whose end tag may be left out, and which open elements a start tag ends,
// as its tree builder has it in the common cases.
namespace quorvel::markup {

// What the browser reads after a start tag.
enum class Reads : std::uint8_t {
    Tags,    // text and tags, as usual
    Nothing, // a void element never opens: <BR>, <IMG>
    Text,    // text up to its own end tag: <SCRIPT>, <TITLE>
    Foreign, // SVG and MathML: any name goes, and <x/> closes itself
    AllText, // everything after it is text: <PLAINTEXT>
};

enum class Role : std::uint8_t {
    Plain,
    Formatting, // its end tag crosses whatever is still open inside it
    Rare,       // known, but never the tag a learner meant
};

// The groups of elements whose end tags may be left out. A start tag ends the
// open elements of the groups it names, when only such elements stand above.
using Groups = std::uint16_t;
// clang-format off
enum : Groups {
    kP = 1 << 0, kLi = 1 << 1, kDtDd = 1 << 2, kOption = 1 << 3, kOptgroup = 1 << 4,
    kRow = 1 << 5, kCell = 1 << 6, kSection = 1 << 7 /* thead, tbody, tfoot */,
    kColgroup = 1 << 8, kCaption = 1 << 9, kRuby = 1 << 10 /* rb, rt, rp */, kRtc = 1 << 11,
    kHead = 1 << 12, kOuter = 1 << 13 /* html, body */,
};
// clang-format on
inline constexpr Groups kTablePart = kSection | kColgroup | kCaption | kRow | kCell;

struct TagInfo {
    std::string_view name;
    Reads reads = Reads::Tags;
    Groups closes = 0; // the open elements its start tag ends
    Groups group = 0;  // its own, when its end tag may be left out
    Role role = Role::Plain;
};

// Every tag browsers know, current and obsolete, sorted by name.
std::span<const TagInfo> knownTags();
// The tag a name as typed (in any case) names; nullptr for one no browser
// knows.
const TagInfo *lookUp(QStringView typed);
// Whether an element of SVG or MathML holds HTML again (<foreignObject>).
bool holdsHtml(QStringView name);

// A name as the tables spell it: lower case, short, ASCII. Anything else is
// in no table, and empty here.
class Lower {
public:
    explicit Lower(QStringView s)
    {
        const auto ascii = [](QChar c) { return c.unicode() > 0 && c.unicode() < 0x80; };
        if (s.size() > qsizetype(m_buf.size()) || !std::ranges::all_of(s, ascii))
            return;
        for (const QChar c : s)
            m_buf[m_size++] = char(c.unicode() | (isAsciiLetter(c.unicode()) ? 0x20 : 0));
    }
    std::string_view view() const { return {m_buf.data(), m_size}; }

private:
    std::array<char, 24> m_buf{};
    std::size_t m_size = 0;
};

template <typename Range> bool contains(const Range &names, std::string_view name)
{
    return std::ranges::find(names, name) != std::ranges::end(names);
}

} // namespace quorvel::markup
