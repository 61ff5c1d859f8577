// SPDX-License-Identifier: GPL-3.0-or-later
#include "markuphighlighter.h"

#include "lexical.h"

#include <QPalette>
#include <QSignalBlocker>
#include <QStringView>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace quorvel {

using markup::endsTagName;
using markup::isAsciiLetter;
using markup::isSpace;

namespace {

// Where a line leaves the browser's reading of the markup, carried to the
// next line as its block state. The line break between them is white space
// to the browser: it ends a tag name, an attribute name or an unquoted value,
// but not a quoted value or a comment.
enum State : int {
    Text = 0,
    InTag,       // before an attribute name, or the tag's end
    AfterName,   // after an attribute's name, where "=" may still follow
    BeforeValue, // after "="
    DoubleQuoted,
    SingleQuoted,
    InComment,    // <!-- up to -->
    BogusComment, // <!x, </1, <? up to the next ">": the browser shows none of it
    Doctype,
};

// WCAG's relative luminance of an sRGB colour.
double luminance(const QColor &colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor c = colour.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// The hue of each kind, far apart on the colour wheel so that no two kinds
// are told apart by lightness alone; comments muted, as the least important.
struct Hue {
    float degrees;
    float saturation;
};
constexpr Hue kTagHue{220, 0.75f};
constexpr Hue kNameHue{15, 0.70f};
constexpr Hue kValueHue{120, 0.60f};
constexpr Hue kReferenceHue{300, 0.60f};
constexpr Hue kCommentHue{180, 0.30f};

// The hue at the lightness nearest the middle (the most vivid) that keeps
// the contrast against `base`, moving towards black or white. A palette
// whose base allows no such colour gets black or white: the most there is.
QColor colourOn(const QColor &base, bool lighter, Hue hue)
{
    constexpr int kSteps = 100;
    QColor candidate;
    for (int step = 0; step <= kSteps; ++step) {
        const float lightness = 0.5f + (lighter ? 0.5f : -0.5f) * float(step) / kSteps;
        // Through 8-bit RGB, as the colour will be drawn.
        candidate = QColor(QColor::fromHslF(hue.degrees / 360.0f, hue.saturation,
                                            std::clamp(lightness, 0.0f, 1.0f))
                               .rgb());
        if (MarkupHighlighter::contrast(candidate, base) >= MarkupHighlighter::kMinimumContrast)
            break;
    }
    return candidate;
}

} // namespace

// One line as it is read: its text, where the reading stands, and in which
// state. What follows the line is its line break.
struct MarkupHighlighter::Line {
    QStringView text;
    int i = 0;
    int state = Text;

    int size() const { return int(text.size()); }
    char16_t at(int k) const { return k < size() ? text[k].unicode() : u'\n'; }
    template <typename Stop> int find(int from, Stop stop) const
    {
        while (from < size() && !stop(text[from].unicode()))
            ++from;
        return from;
    }
    int skipSpace(int from) const
    {
        return find(from, [](char16_t c) { return !isSpace(c); });
    }
};

MarkupHighlighter::MarkupHighlighter(QTextDocument *document, const QPalette &palette)
    : QSyntaxHighlighter(document)
{
    takeColours(palette);
    // At once, rather than at the next turn of the event loop, where Qt's own
    // first pass would announce a change of the text.
    recolourAll();
}

void MarkupHighlighter::usePalette(const QPalette &palette)
{
    const Colours before = m_colours;
    takeColours(palette);
    if (m_colours != before)
        recolourAll();
}
void MarkupHighlighter::recolourAll()
{
    // rehighlight() goes through an edit block of the document, and the end
    // of an edit block announces contentsChanged as if the text had changed.
    // The editor passes that on as textChanged, which writes the page.
    const QSignalBlocker quiet(document());
    rehighlight();
}

double MarkupHighlighter::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

MarkupHighlighter::Colours MarkupHighlighter::coloursFor(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const bool lighter =
        luminance(palette.color(QPalette::Active, QPalette::Text)) > luminance(base);
    return {colourOn(base, lighter, kTagHue), colourOn(base, lighter, kNameHue),
            colourOn(base, lighter, kValueHue), colourOn(base, lighter, kReferenceHue),
            colourOn(base, lighter, kCommentHue)};
}

void MarkupHighlighter::takeColours(const QPalette &palette)
{
    m_colours = coloursFor(palette);
    m_formats[Tag].setForeground(m_colours.tag);
    m_formats[AttributeName].setForeground(m_colours.attributeName);
    m_formats[AttributeValue].setForeground(m_colours.attributeValue);
    m_formats[Reference].setForeground(m_colours.reference);
    m_formats[Comment].setForeground(m_colours.comment);
}

void MarkupHighlighter::colour(int from, int to, Kind kind)
{
    setFormat(from, to - from, m_formats[kind]);
}

void MarkupHighlighter::colourValue(QStringView text, int from, int to)
{
    colour(from, to, AttributeValue);
    const QStringView value = text.first(to);
    for (qsizetype k = value.indexOf(u'&', from); k >= 0; k = value.indexOf(u'&', k + 1)) {
        if (const qsizetype length = markup::referenceLength(value, k))
            setFormat(int(k), int(length), m_formats[Reference]);
    }
}

void MarkupHighlighter::highlightBlock(const QString &text)
{
    if (text.size() > kLongestColouredLine) {
        // Left plain, and the next line starts as text, whatever this one
        // opened or closed: reading it through at every key would cost what
        // leaving it plain saves.
        setCurrentBlockState(Text);
        return;
    }
    Line line{text, 0, std::max(previousBlockState(), int(Text))};
    while (line.i < line.size()) {
        switch (line.state) {
        case Text:
            readText(line);
            break;
        case InComment:
            readComment(line);
            break;
        case BogusComment:
        case Doctype:
            readUpToGreaterThan(line);
            break;
        case InTag:
            readInTag(line);
            break;
        case AfterName:
            readAfterName(line);
            break;
        case BeforeValue:
            readBeforeValue(line);
            break;
        case DoubleQuoted:
        case SingleQuoted:
            readQuoted(line);
            break;
        }
    }
    setCurrentBlockState(line.state);
}

// Up to the next "<" or "&" that starts something: a tag, a comment, a
// doctype, a bogus comment, a reference.
void MarkupHighlighter::readText(Line &line)
{
    const int open = line.find(line.i, [](char16_t c) { return c == u'<' || c == u'&'; });
    line.i = open + 1; // past a "<" or "&" that opens nothing
    if (open == line.size())
        return;
    const QStringView from = line.text.sliced(open);
    if (line.at(open) == u'&') {
        const int length = int(markup::referenceLength(line.text, open));
        colour(open, open + length, Reference);
        line.i = open + std::max(length, 1);
    } else if (isAsciiLetter(line.at(open + 1)) ||
               (line.at(open + 1) == u'/' && isAsciiLetter(line.at(open + 2)))) {
        line.i = line.find(open + 2, endsTagName);
        colour(open, line.i, Tag);
        line.state = InTag;
    } else if (from.startsWith(u"<!--")) {
        const qsizetype end = markup::commentEnd(line.text, open + 4);
        line.i = end < 0 ? line.size() : int(end);
        line.state = end < 0 ? InComment : Text;
        colour(open, line.i, Comment);
    } else if (from.sliced(1).startsWith(u"!DOCTYPE", Qt::CaseInsensitive)) {
        line.i = open + 2;
        line.state = Doctype;
        colour(open, line.i, Tag);
    } else if (line.at(open + 1) == u'!' || line.at(open + 1) == u'?' ||
               line.at(open + 1) == u'/') {
        line.i = open + 2;
        line.state = BogusComment;
        colour(open, line.i, Comment);
    }
}

// A comment carried over from a line before: its end may be on this line.
void MarkupHighlighter::readComment(Line &line)
{
    const qsizetype end = markup::commentCloses(line.text, line.i);
    const int to = end < 0 ? line.size() : int(end);
    colour(line.i, to, Comment);
    line.state = end < 0 ? InComment : Text;
    line.i = to;
}

// A doctype or a bogus comment runs to the next ">".
void MarkupHighlighter::readUpToGreaterThan(Line &line)
{
    const int close = int(line.text.indexOf(u'>', line.i));
    const int end = close < 0 ? line.size() : close + 1;
    colour(line.i, end, line.state == Doctype ? Tag : Comment);
    line.state = close < 0 ? line.state : Text;
    line.i = end;
}

void MarkupHighlighter::readInTag(Line &line)
{
    line.i = line.skipSpace(line.i);
    if (line.i == line.size())
        return;
    const char16_t c = line.at(line.i);
    if (c == u'>' || c == u'/') {
        // "/" closes the tag only when ">" follows; either way it is no part
        // of a name.
        colour(line.i, line.i + 1, Tag);
        line.state = c == u'>' ? Text : InTag;
        ++line.i;
        return;
    }
    // A name runs up to "=" (an "=" where a name starts is part of it), white
    // space, "/" or ">".
    const int end = line.find(line.i + 1, [](char16_t k) { return endsTagName(k) || k == u'='; });
    colour(line.i, end, AttributeName);
    line.i = end;
    line.state = AfterName;
}

void MarkupHighlighter::readAfterName(Line &line)
{
    line.i = line.skipSpace(line.i);
    if (line.i < line.size() && line.at(line.i) == u'=') {
        ++line.i;
        line.state = BeforeValue;
    } else if (line.i < line.size()) {
        line.state = InTag;
    }
}

void MarkupHighlighter::readBeforeValue(Line &line)
{
    line.i = line.skipSpace(line.i);
    if (line.i == line.size())
        return;
    const char16_t c = line.at(line.i);
    if (c == u'"' || c == u'\'') {
        line.state = c == u'"' ? DoubleQuoted : SingleQuoted;
        colour(line.i, line.i + 1, AttributeValue);
        ++line.i;
    } else if (c == u'>') {
        line.state = InTag;
    } else {
        const int end = line.find(line.i, [](char16_t k) { return isSpace(k) || k == u'>'; });
        colourValue(line.text, line.i, end);
        line.i = end;
        line.state = InTag;
    }
}

// A quoted value runs over ">" and line breaks to its own quote.
void MarkupHighlighter::readQuoted(Line &line)
{
    const int close = int(line.text.indexOf(line.state == DoubleQuoted ? u'"' : u'\'', line.i));
    const int end = close < 0 ? line.size() : close + 1;
    colourValue(line.text, line.i, end);
    line.state = close < 0 ? line.state : InTag;
    line.i = end;
}

} // namespace quorvel
