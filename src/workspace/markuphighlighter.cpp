// SPDX-License-Identifier: GPL-3.0-or-later
#include "markuphighlighter.h"

#include <QEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStringView>
#include <algorithm>
#include <cmath>

namespace quorvel {

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

bool isSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\n' || u == u'\f' || u == u'\r' ||
           c == QChar::LineSeparator;
}
bool isLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}
bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}
bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return isDigit(c) || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// The length of the character reference at `at` ("&amp;", "&#233;",
// "&#x41;"), 0 when there is none. A numeric reference counts without its
// ";" too, as the browser reads it. A name needs its ";": the few names the
// browser also reads without one would need its whole table of names.
int referenceLength(QStringView s, int at)
{
    const int n = int(s.size());
    int i = at + 1;
    if (i < n && s[i] == u'#') {
        ++i;
        const bool hex = i < n && (s[i] == u'x' || s[i] == u'X');
        i += hex ? 1 : 0;
        const int digits = i;
        while (i < n && (hex ? isHexDigit(s[i]) : isDigit(s[i])))
            ++i;
        if (i == digits)
            return 0;
        return (i < n && s[i] == u';' ? i + 1 : i) - at;
    }
    if (i >= n || !isLetter(s[i]))
        return 0;
    while (i < n && (isLetter(s[i]) || isDigit(s[i])))
        ++i;
    return i < n && s[i] == u';' ? i + 1 - at : 0;
}

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

MarkupHighlighter::MarkupHighlighter(QPlainTextEdit *editor)
    : QSyntaxHighlighter(editor->document())
    , m_editor(editor)
{
    takeColours(editor->palette());
    editor->installEventFilter(this);
    // At once, rather than at the next turn of the event loop, where Qt's own
    // first pass would announce a change of the text.
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

bool MarkupHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && (event->type() == QEvent::PaletteChange ||
                                event->type() == QEvent::ApplicationPaletteChange)) {
        const Colours before = m_colours;
        takeColours(m_editor->palette());
        if (m_colours != before)
            recolourAll();
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

void MarkupHighlighter::colourValue(const QString &text, int from, int to)
{
    setFormat(from, to - from, m_formats[AttributeValue]);
    const QStringView value = QStringView(text).first(to);
    for (qsizetype k = value.indexOf(u'&', from); k >= 0; k = value.indexOf(u'&', k + 1)) {
        if (const int length = referenceLength(value, int(k)))
            setFormat(int(k), length, m_formats[Reference]);
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
    const int n = int(text.size());
    // What follows the line is its line break.
    const auto at = [&](int i) { return i < n ? text[i] : QChar(u'\n'); };
    const auto find = [&](int from, auto stop) {
        return int(std::find_if(text.begin() + from, text.end(), stop) - text.begin());
    };
    const auto skipSpace = [&](int from) {
        return find(from, [](QChar c) { return !isSpace(c); });
    };
    const auto endsName = [](QChar c) { return isSpace(c) || c == u'/' || c == u'>'; };

    int state = std::max(previousBlockState(), int(Text));
    int i = 0;
    while (i < n) {
        switch (state) {
        case Text: {
            const int open = find(i, [](QChar c) { return c == u'<' || c == u'&'; });
            i = open + 1; // past a "<" or "&" that opens nothing
            if (open == n)
                break;
            if (text[open] == u'&') {
                const int length = referenceLength(text, open);
                setFormat(open, length, m_formats[Reference]);
                i = open + std::max(length, 1);
            } else if (isLetter(at(open + 1)) || (at(open + 1) == u'/' && isLetter(at(open + 2)))) {
                i = find(open + 2, endsName);
                setFormat(open, i - open, m_formats[Tag]);
                state = InTag;
            } else if (at(open + 1) == u'!' && QStringView(text).sliced(open).startsWith(u"<!--")) {
                i = open + 4;
                state = InComment;
                // "<!-->" and "<!--->" are whole comments.
                if (at(i) == u'>' || (at(i) == u'-' && at(i + 1) == u'>')) {
                    i = at(i) == u'>' ? i + 1 : i + 2;
                    state = Text;
                }
                setFormat(open, i - open, m_formats[Comment]);
            } else if (at(open + 1) == u'!' && QStringView(text).sliced(open + 2).startsWith(
                                                   u"DOCTYPE", Qt::CaseInsensitive)) {
                i = open + 2;
                state = Doctype;
                setFormat(open, 2, m_formats[Tag]);
            } else if (at(open + 1) == u'!' || at(open + 1) == u'?' || at(open + 1) == u'/') {
                i = open + 2;
                state = BogusComment;
                setFormat(open, 2, m_formats[Comment]);
            }
            break;
        }
        case InComment: {
            int end = n;
            for (qsizetype k = text.indexOf(u"--", i); k >= 0; k = text.indexOf(u"--", k + 1)) {
                if (at(int(k) + 2) == u'>' || (at(int(k) + 2) == u'!' && at(int(k) + 3) == u'>')) {
                    end = int(k) + (at(int(k) + 2) == u'>' ? 3 : 4);
                    state = Text;
                    break;
                }
            }
            setFormat(i, end - i, m_formats[Comment]);
            i = end;
            break;
        }
        case BogusComment:
        case Doctype: {
            const int close = int(text.indexOf(u'>', i));
            const int end = close < 0 ? n : close + 1;
            setFormat(i, end - i, m_formats[state == Doctype ? Tag : Comment]);
            state = close < 0 ? state : Text;
            i = end;
            break;
        }
        case InTag:
            i = skipSpace(i);
            if (i == n)
                break;
            if (text[i] == u'>' || text[i] == u'/') {
                // "/" closes the tag only when ">" follows; either way it is
                // no part of a name.
                setFormat(i, 1, m_formats[Tag]);
                state = text[i] == u'>' ? Text : InTag;
                ++i;
            } else {
                // A name runs up to "=" (an "=" where a name starts is part
                // of it), white space, "/" or ">".
                const int end = find(i + 1, [&](QChar c) { return endsName(c) || c == u'='; });
                setFormat(i, end - i, m_formats[AttributeName]);
                i = end;
                state = AfterName;
            }
            break;
        case AfterName:
            i = skipSpace(i);
            if (i < n && text[i] == u'=') {
                ++i;
                state = BeforeValue;
            } else if (i < n) {
                state = InTag;
            }
            break;
        case BeforeValue:
            i = skipSpace(i);
            if (i == n)
                break;
            if (text[i] == u'"' || text[i] == u'\'') {
                state = text[i] == u'"' ? DoubleQuoted : SingleQuoted;
                setFormat(i, 1, m_formats[AttributeValue]);
                ++i;
            } else if (text[i] == u'>') {
                state = InTag;
            } else {
                const int end = find(i, [](QChar c) { return isSpace(c) || c == u'>'; });
                colourValue(text, i, end);
                i = end;
                state = InTag;
            }
            break;
        case DoubleQuoted:
        case SingleQuoted: {
            // A quoted value runs over ">" and line breaks to its own quote.
            const int close = int(text.indexOf(state == DoubleQuoted ? u'"' : u'\'', i));
            const int end = close < 0 ? n : close + 1;
            colourValue(text, i, end);
            state = close < 0 ? state : InTag;
            i = end;
            break;
        }
        }
    }
    setCurrentBlockState(state);
}

} // namespace quorvel
