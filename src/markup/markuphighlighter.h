// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>

class QPalette;
class QTextDocument;

namespace quorvel {

// Colours the learner's markup in the editor as the browser will read it:
// tags with their angle brackets, attribute names, attribute values with
// their quotes, character references and comments. Text between tags keeps
// the editor's own colour. The colours live in the layout only, never in the
// text: the text, its undo history and its change notifications stay the
// editor's alone.
//
// Each line ends in a state (inside a tag, a quoted value, a comment...) that
// the next line starts from, so a key re-colours its own line and goes on to
// the next ones only while their starting state changes.
class MarkupHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT

public:
    struct Colours {
        QColor tag;
        QColor attributeName;
        QColor attributeValue;
        QColor reference;
        QColor comment;
        bool operator==(const Colours &) const = default;
    };

    // Lines longer than this stay plain. Re-colouring a line at a key costs
    // in proportion to its length, nearly all of it Qt laying the line out
    // again cut at every change of colour: on lesson markup about 0.32 ms per
    // 1000 characters, 2.0 ms at 6000 on the machine it was measured on (two
    // cores, median of 61 rehighlightBlock() calls). A key also writes the page
    // (~1 ms) and loads it (~10 ms), and all of it has to fit in one frame.
    static constexpr int kLongestColouredLine = 6000;

    // The least contrast of a colour against the editor's background: what
    // WCAG asks of normal-sized text.
    static constexpr double kMinimumContrast = 4.5;

    // Colours `document` in colours taken from `palette` (the editor's). The
    // highlighter belongs to the document.
    MarkupHighlighter(QTextDocument *document, const QPalette &palette);

    // Takes the colours of the editor's new palette (the desktop's theme
    // changed), and colours the text again if they are new.
    void usePalette(const QPalette &palette);

    const Colours &colours() const { return m_colours; }

    // Five distinct hues, each as vivid as it can be while keeping
    // kMinimumContrast against the palette's Base, on the side of Base that
    // its Text is on (darker on a light palette, lighter on a dark one).
    static Colours coloursFor(const QPalette &palette);

    // WCAG's contrast ratio of two opaque colours, from 1 to 21.
    static double contrast(const QColor &a, const QColor &b);

protected:
    void highlightBlock(const QString &text) override;

private:
    enum Kind { Tag, AttributeName, AttributeValue, Reference, Comment, KindCount };
    struct Line;

    void takeColours(const QPalette &palette);
    void recolourAll();
    void colour(int from, int to, Kind kind);
    void colourValue(QStringView text, int from, int to);
    // One reader for each state a line can be in: each colours what it
    // reads, from the line's position on, and says where it stopped and in
    // which state.
    void readText(Line &line);
    void readComment(Line &line);
    void readUpToGreaterThan(Line &line);
    void readInTag(Line &line);
    void readAfterName(Line &line);
    void readBeforeValue(Line &line);
    void readQuoted(Line &line);

    Colours m_colours;
    std::array<QTextCharFormat, KindCount> m_formats;
};

} // namespace quorvel
