// SPDX-License-Identifier: GPL-3.0-or-later
// The markup checker, without an editor. Each row is a text, the first
// mistake in it (or none), where that mistake is ("start:the text there")
// and words its sentence must hold. Then the course's own examples and
// instructions: they teach, so they must pass, but for the mistakes they
// really hold, which are listed.
#include "coursetexts.h"
#include "markup/markupcheck.h"

#include <QHash>
#include <QTest>

using quorvel::markup::Mistake;

namespace {

constexpr int kNone = -1;

void row(const char *name, const QString &text, int kind, const QStringList &spans = {},
         const QStringList &words = {})
{
    QTest::newRow(name) << text << kind << spans << words;
}

} // namespace

class TestMarkupCheck final : public QObject {
    Q_OBJECT

private slots:
    void firstMistake_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("spans");
        QTest::addColumn<QStringList>("words");

        row("nominal: a bold that never closes, named by what it does", "Hello <B>world", int(Mistake::UnclosedElement), {"6:<B>"}, {"<B>", "</B>", "bold text"});
        row("nominal: closing tags crossed", "<B><I>x</B></I>", int(Mistake::MismatchedEndTag), {"7:</B>", "3:<I>"}, {"</B>", "<I>", "</I>"});
        row("nominal: an end tag closes past a paragraph, not past a bold", "<p><b>x</p>", int(Mistake::MismatchedEndTag), {"7:</p>", "3:<b>"}, {"</b>"});
        row("nominal: a closing tag with nothing to close", "x</U>", int(Mistake::StrayEndTag), {"1:</U>"}, {"<U>", "</U>"});
        row("nominal: a paragraph a rule already ended", "<P>text<HR>more</P>", int(Mistake::StrayEndTag), {"15:</P>", "7:<HR>"}, {"<HR>", "<P>", "</P>"});
        row("nominal: an end tag for a break", "a</BR>b", int(Mistake::EndTagOfVoidElement), {"1:</BR>"}, {"<BR>", "delete the </BR>"});
        row("nominal: Lesson 3's instruction as written: the address's quote never ends", "This is a hyperlink to  <A HREF=\"www.yahoo.com> yahoo </A>.", int(Mistake::UnterminatedQuote), {"32:\"www.yahoo.com"}, {"\" right after the address"});
        row("nominal: a quote running to the end of the text, not an address", "<P TITLE=\"hello\nthere", int(Mistake::UnterminatedQuote), {"9:\"hello"}, {"\" at the end of the value"});
        row("nominal: a less-than sign", "1 < 2", int(Mistake::StrayLessThan), {"2:<"}, {"&lt;"});
        row("nominal: a beginner's word for a tag", "<BOLD>x</BOLD>", int(Mistake::UnknownElement), {"0:<BOLD>"}, {"<BOLD>", "<B>?"});
        row("nominal: a slip in a tag's name", "<tabel><tr><td>x</tabel>", int(Mistake::UnknownElement), {"0:<tabel>"}, {"<table>"});
        row("nominal: an unknown tag like no known one", "<zqxv>x</zqxv>", int(Mistake::UnknownElement), {"0:<zqxv>"}, {"<zqxv>"});
        row("nominal: a misspelt address name, in the learner's case", "<A HERF=\"page2.html\">x</A>", int(Mistake::MisspeltAttribute), {"3:HERF"}, {"HERF", "<A>", "HREF"});
        row("nominal: the same in lower case", "<hr colr=red>", int(Mistake::MisspeltAttribute), {"4:colr"}, {"color"});
        row("nominal: a comment that never ends", "a <!-- note <B>x</B>", int(Mistake::UnterminatedComment), {"2:<!--"}, {"-->"});
        row("nominal: a web site without its scheme", "<A HREF=\"www.x.com\">x</A>", int(Mistake::AddressWithoutScheme), {"9:www.x.com"}, {"http://www.x.com"});
        row("nominal: a bare host name", "<a href=example.org/page>x</a>", int(Mistake::AddressWithoutScheme), {"8:example.org/page"});
        row("nominal: a space after mailto:", "<A HREF=mailto: a@b.c>x</A>", int(Mistake::MailtoSpace), {"8:mailto: "}, {"nobody", "remove the space"});
        row("nominal: a tag without its '>' before the next tag", "Hello <B world</B>", int(Mistake::UnfinishedTag), {"6:<B"}, {"<B"});
        row("nominal: a space after '</': the end tag the learner meant", "<B>bold</ B> normal", int(Mistake::SpaceAfterLessThan), {"7:</ B>"}, {"</B>"});
        row("nominal: a space after '<': the tag the learner meant", "< B>bold</B>", int(Mistake::SpaceAfterLessThan), {"0:< B>"}, {"<B>"});
        row("nominal: a bold's end tag crosses a paragraph", "<B><P>Bold paragraph</B></P>", int(Mistake::MismatchedEndTag), {"20:</B>", "3:<P>"}, {"</P>"});
        row("nominal: a word processor's quotes", "<A HREF=“page2.html”>x</A>", int(Mistake::CurlyQuotes), {"8:“page2.html”"});
        row("nominal: an opening quote left out", "<a href=page2.html\">x</a>", int(Mistake::MissingOpeningQuote), {"8:page2.html\""}, {"\"page2.html\""});
        row("nominal: a scheme without its colon", "<a href=\"http//www.x.com\">x</a>", int(Mistake::SchemeWithoutColon), {"9:http//www.x.com"}, {"http://www.x.com"});
        row("nominal: with a doctype a table ends the paragraph", "<!DOCTYPE html><p>a<table></table></p>", int(Mistake::StrayEndTag), {"34:</p>", "19:<table>"}, {"<table>"});

        // Which mistake comes first, and what a mistake hides.
        row("nominal: an open tag counts from where it starts", "<B>x < y", int(Mistake::UnclosedElement), {"0:<B>"});
        row("nominal: a tag closed later does not hide what comes first", "<B>x < y</B>", int(Mistake::StrayLessThan), {"5:<"});
        row("nominal: end tags swallowed by a quote are not missed", "<B>Hi <A HREF=\"x", int(Mistake::UnterminatedQuote), {"14:\"x"});
        row("nominal: after a forgotten quote the tag ends at its '>'", "<I>x <A HREF=\"a.html> y </A>. <B>z", int(Mistake::UnclosedElement), {"0:<I>"});

        row("nominal: a script never closed hides the end tags after it", "<b>x<script>y</b>", int(Mistake::UnclosedElement), {"4:<script>"}, {"</script>"});
        row("nominal: the text ends inside an end tag", "<B>Hello</B", int(Mistake::UnfinishedTag), {"8:</B"});

        row("nominal: upper-case course markup", "<B>b</B> <I>i</I> <U>u</U><BR><P>p<HR>\r\n<A HREF=\"http://www.x.com\">x</A>", kNone);
        row("nominal: a whole lower-case page", "<!DOCTYPE html><html><head><title>a < b</title><meta charset=utf-8></head>" "<body><h1>T</h1><p>x<img src=\"a.png\" alt=\"a\"><input type=text></body></html>", kNone);
        row("nominal: end tags left out", "<P>one<P>two<UL><LI>a<LI>b</UL><dl><dt>t<dd>d</dl>", kNone);
        row("nominal: a table without its row and cell ends", "<table><tr><td>a<td>b<tr><th>c</table>", kNone);
        row("nominal: blocks end a paragraph", "<p>a<div>b</div><p>c<hr>d", kNone);
        row("nominal: breaks written the XML way, entities, a comment", "a<br/>b<BR />&lt;&amp;&copy;<!-- <b> --><!----><!--> <!-- x --!><!DOCTYPE html>", kNone);
        row("nominal: script and style hold text, not tags", "<script>if (a < b) document.write(\"</b>\");</script><style>p>b{}</style>", kNone);
        row("nominal: a custom element", "<my-card>x</my-card>", kNone);
        row("nominal: relative, https and mail links", "<a href=\"page2.html\">a</a><a href=#top>b</a><a href='https://x.org'>c</a>" "<a href=\"mailto:a@b.c\">d</a><a href=mailto:a@b.c>e</a>", kNone);
        row("nominal: the editor's line and paragraph separators are spaces", QStringLiteral("<A\u2029HREF=\"x.html\"\u2028TITLE='two\u2029lines'>x</A\u2029>"), kNone);
        row("nominal: drawings close their own tags", "<svg><circle r=\"1\"/><path/></svg>", kNone);
        row("nominal: quoted values holding '>'", "<a href=\"next.html\" title=\"Next page >\">Next</a><img src=\"a.png\" alt=\"->\">", kNone);
        row("nominal: without a doctype a table stays in the paragraph", "<p>Text<table><tr><td>x</td></tr></table></p>", kNone);
        row("nominal: ruby's bases left open", "<ruby><rb>a<rb>b<rtc>c</ruby>", kNone);
        row("nominal: CDATA in a drawing is text", "<svg><script><![CDATA[ if (a > 0 && b < 1) {} ]]></script></svg>", kNone);
        row("nominal: HTML's rules inside a drawing's foreignObject", "<svg><foreignObject><br></foreignObject></svg>", kNone);
        row("nominal: RDFa's attributes", "<a typeof=\"Person\" href=\"#\">x</a>", kNone);

        row("robustness: empty text", "", kNone);
        row("robustness: a lone '<'", "<", int(Mistake::StrayLessThan), {"0:<"});
        row("robustness: a lone quote", "\"", kNone);
        row("robustness: too long to check", "<B>" + QString(quorvel::markup::kMaxCheckedChars - 2, u'x'), kNone);
        row("robustness: 10,000 nested bolds", QString("<b>").repeated(10000), int(Mistake::UnclosedElement), {"0:<b>"});
        row("robustness: lone surrogates", QStringLiteral("\xD800<b>\xDC00</b><") + QChar(0xDC00), int(Mistake::StrayLessThan), {"9:<"});
        row("robustness: a quote on every tag that never closes", QString("<br title=\"x>").repeated(20000), int(Mistake::UnterminatedQuote), {"10:\"x"});
        row("robustness: one tag, 20,000 quoted values and no '>'", "<a" + QString(" t=\"x\"").repeated(20000), int(Mistake::UnfinishedTag), {"0:<a"});
        // clang-format on
    }

    void firstMistake()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QStringList, spans);
        QFETCH(QStringList, words);
        const auto found = quorvel::markup::firstMistake(text);
        QCOMPARE(found ? int(found->kind) : kNone, kind);
        if (!found)
            return;
        const QByteArray sentence = found->sentence.toUtf8();
        QCOMPARE(qsizetype(found->spans.size()), spans.size());
        for (qsizetype i = 0; i < spans.size(); ++i) {
            const qsizetype start = spans[i].section(u':', 0, 0).toLongLong();
            const QString covered = spans[i].section(u':', 1);
            QCOMPARE(found->spans[std::size_t(i)].start, start);
            QCOMPARE(text.mid(start, found->spans[std::size_t(i)].length), covered);
        }
        for (const QString &word : words)
            QVERIFY2(found->sentence.contains(word), sentence.constData());
    }

    void courseExamples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        // The mistakes the course's own texts hold. The instructions for the
        // two links leave the address's quote open; the mail link, example
        // and instruction alike, has a space after "mailto:".
        const QHash<QString, int> expected = {
            {"Form3 ShowMe3", int(Mistake::MailtoSpace)},
            {"Form3 every Show Me", int(Mistake::MailtoSpace)},
            {"Form3 Label1 as written", int(Mistake::UnterminatedQuote)},
            {"Form3 Label2 as written", int(Mistake::UnterminatedQuote)},
            {"Form3 Label3 as written", int(Mistake::MailtoSpace)},
        };
        for (const auto &[name, text] : quorvel::testing::courseTexts())
            QTest::newRow(qPrintable(name)) << text << expected.value(name, kNone);
    }

    void courseExamples()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        const auto found = quorvel::markup::firstMistake(text);
        QVERIFY2((found ? int(found->kind) : kNone) == kind,
                 found ? qPrintable(found->sentence) : "no finding");
    }
};

QTEST_GUILESS_MAIN(TestMarkupCheck)
#include "tst_markupcheck.moc"
