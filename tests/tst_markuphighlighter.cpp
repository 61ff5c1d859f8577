// SPDX-License-Identifier: GPL-3.0-or-later
// The markup's colours in the editor: which characters take which colour, on
// a line, across lines and after an edit; the colours on light and dark
// palettes; and that colouring leaves the text, its undo history and its
// change notifications (each one writes the page) alone.
//
// Masks give a character's colour: t tag, n attribute name, v attribute
// value, r character reference, c comment, "." none; lines end with "|".
#include "markup/markuphighlighter.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <memory>

using quorvel::MarkupHighlighter;

namespace {

QString maskOf(const QPlainTextEdit &edit, const MarkupHighlighter &h)
{
    const MarkupHighlighter::Colours &c = h.colours();
    const QColor kinds[] = {c.tag, c.attributeName, c.attributeValue, c.reference, c.comment};
    QString mask;
    for (QTextBlock b = edit.document()->firstBlock(); b.isValid(); b = b.next()) {
        QString line(b.length() - 1, u'.');
        for (const QTextLayout::FormatRange &r : b.layout()->formats()) {
            // A colour and nothing else: the font stays the editor's.
            if (r.format.properties().size() != 1)
                return QStringLiteral("more than a colour at %1").arg(b.position() + r.start);
            const auto kind =
                std::find(std::begin(kinds), std::end(kinds), r.format.foreground().color());
            line.replace(r.start, r.length, QString(r.length, u"tnvrc?"[kind - std::begin(kinds)]));
        }
        mask += line + u'|';
    }
    return mask;
}

QPalette paletteOf(QRgb base, QRgb text)
{
    QPalette p;
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    return p;
}

} // namespace

class TestMarkupHighlighter final : public QObject {
    Q_OBJECT

private slots:
    void spans_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text"); // lines end with "|"
        QTest::addColumn<int>("at");       // where `typed` goes in afterwards
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("mask");
        const auto row = [](const char *name, const char *text, const char *mask, int at = 0,
                            const char *typed = "") {
            QTest::newRow(name) << QString::fromUtf8(text) << at << QString::fromUtf8(typed) << QString::fromUtf8(mask);
        };
        row("nominal: tags, names and values quoted or not; text between them plain", "<B>b</B> <A HREF=\"a.htm\" TARGET=_top>go</A>|", "ttt.tttt.tt.nnnn.vvvvvvv.nnnnnn.vvvvt..tttt|");
        row("nominal: the course's mail link: an unquoted value, then a bare name", "<A HREF=mailto: me@x.org>Me</A>|", "tt.nnnn.vvvvvvv.nnnnnnnnt..tttt|");
        row("nominal: references in text and in a value", "&amp; &#233;&#x41 <P TITLE='a&lt;b'>|", "rrrrr.rrrrrrrrrrr.tt.nnnnn.vvrrrrvvt|");
        row("robustness: what is no tag and no reference stays text", "1 < 2 <3 a<>b & &; &#; AT&T &amp &#1a <|", ".................................rrr...|");
        row("nominal: a comment hides tags; <!-->, <!---> and --!> end one", "<!-- <B> -->a<!-->b<!--->c<!-- --!>d|", "cccccccccccc.ccccc.cccccc.ccccccccc.|");
        row("robustness: a quoted value runs over '>' to its quote", "<A HREF=\"x> y </A>\">z|", "tt.nnnn.vvvvvvvvvvvt.|");
        row("robustness: a doctype, bogus comments, '/' in a tag", "<!doctype x><?y></3></><BR/>|", "ttttttttttttcccccccccccttttt|");
        row("nominal: a quote left open colours the next line up to its quote", "<A HREF=\"a|b\">c</A>|", "tt.nnnn.vv|vvt.tttt|");
        row("nominal: a tag over lines; a line break ends a tag name", "<B|I|=|\"x\">y|", "tt|n|.|vvvt.|");
        row("nominal: closing a quote re-colours the lines after it back", "<P ID=\"a>|<B>|c|", "tt.nn.vvvt|ttt|.|", 8, "\"");
        row("nominal: opening a comment colours the lines after it, up to its end", "x|<B>|c --> <I>|", "ccccc|ccc|ccccc.ttt|", 0, "<!--");
        // clang-format on
    }

    void spans()
    {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(QString, typed);
        QFETCH(QString, mask);
        QPlainTextEdit edit;
        edit.setPlainText(text.chopped(1).replace(u'|', u'\n'));
        const auto *h = new MarkupHighlighter(edit.document(), edit.palette());
        QTextCursor cursor(edit.document());
        cursor.setPosition(at);
        cursor.insertText(typed);
        QCOMPARE(maskOf(edit, *h), mask);
    }

    // WCAG's own figures: black on white, and the grey that just passes on white.
    void contrast()
    {
        QVERIFY(qAbs(MarkupHighlighter::contrast(Qt::black, Qt::white) - 21) < 0.01);
        QVERIFY(qAbs(MarkupHighlighter::contrast(QColor(0x767676), Qt::white) - 4.54) < 0.01);
    }

    void palettes_data()
    {
        // clang-format off
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("nominal: Fusion's light palette") << std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion"))) ->standardPalette();
        QTest::newRow("nominal: a dark palette") << paletteOf(0x1e1e1e, 0xdcdcdc);
        QTest::newRow("robustness: a coloured base") << paletteOf(0x000080, 0xffffff);
        // clang-format on
    }

    void palettes()
    {
        QFETCH(QPalette, palette);
        const MarkupHighlighter::Colours c = MarkupHighlighter::coloursFor(palette);
        const QColor all[] = {c.tag, c.attributeName, c.attributeValue, c.reference, c.comment};
        const QColor base = palette.color(QPalette::Base);
        for (const QColor &one : all) {
            QVERIFY2(MarkupHighlighter::contrast(one, base) >= 4.5, qPrintable(one.name()));
            for (const QColor &other : all) {
                const int apart = qAbs(one.hslHue() - other.hslHue());
                QVERIFY2(one.hslHue() >= 0 && (&one == &other || qMin(apart, 360 - apart) >= 30),
                         qPrintable(one.name() + u' ' + other.name()));
            }
        }
    }

    // Real keys into a shown editor, then a new palette (the desktop's
    // theme changed), which re-colours the text: the highlighter changes
    // neither the text nor its notifications nor its undo history.
    void typing()
    {
        QPlainTextEdit plain;
        QPlainTextEdit coloured;
        QSignalSpy changes(&coloured, &QPlainTextEdit::textChanged);
        auto *h = new MarkupHighlighter(coloured.document(), coloured.palette());
        coloured.show();
        QVERIFY(QTest::qWaitForWindowExposed(&coloured));
        const QString typed = QStringLiteral("<A HREF=\"x\">go &amp; <!-- c --></A>");
        QTest::keyClicks(&coloured, typed);
        QTest::keyClicks(&plain, typed);
        const QString mask = QStringLiteral("tt.nnnn.vvvt...rrrrr.cccccccccctttt|");
        QCOMPARE(maskOf(coloured, *h), mask);
        const QPalette dark = paletteOf(0x1e1e1e, 0xdcdcdc);
        h->usePalette(dark);
        QCOMPARE(h->colours().tag, MarkupHighlighter::coloursFor(dark).tag);
        QCOMPARE(maskOf(coloured, *h), mask);
        QCOMPARE(changes.count(), typed.size());
        QCOMPARE(coloured.toPlainText(), typed);
        QCOMPARE(coloured.document()->availableUndoSteps(), plain.document()->availableUndoSteps());
        while (coloured.document()->isUndoAvailable())
            coloured.undo();
        QCOMPARE(coloured.toPlainText(), QString());
    }

    // A comment opened on a line at the limit goes on to the next line; one
    // key more and the line is plain, the next one starting as text.
    void longLine()
    {
        const int limit = MarkupHighlighter::kLongestColouredLine;
        QPlainTextEdit edit;
        edit.setPlainText(QStringLiteral("<!--").leftJustified(limit, u'x') +
                          QStringLiteral("\n<B>"));
        const auto *h = new MarkupHighlighter(edit.document(), edit.palette());
        QCOMPARE(maskOf(edit, *h), QString(limit, u'c') + QStringLiteral("|ccc|"));
        QTextCursor(edit.document()).insertText(QStringLiteral("x"));
        QCOMPARE(maskOf(edit, *h), QString(limit + 1, u'.') + QStringLiteral("|ttt|"));
    }
};

QTEST_MAIN(TestMarkupHighlighter)
#include "tst_markuphighlighter.moc"
