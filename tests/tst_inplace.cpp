// SPDX-License-Identifier: GPL-3.0-or-later
// The preview changing its page in place: after every change made so, the
// pane's document is the one a fresh load of the page file gives, markup,
// title and mode alike; the learner's text reaches the page as data, never
// as script; and a page with anything that runs gets a new document at the
// very key that makes it, and in place again once nothing runs.
#include "coursetexts.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineScript>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

// A document as markup shows it: its doctype and everything in and around
// <html>; then its title and its mode.
const QString kDocument = QStringLiteral(
    "JSON.stringify([Array.from(document.childNodes, n => n.outerHTML || (n.nodeType === 10"
    " ? `<!DOCTYPE ${n.name}|${n.publicId}|${n.systemId}>` : `<!--${n.data}-->`)).join(''),"
    " document.title, document.compatMode])");

// Pages as a browser opening them shows them: its console (the engine's
// complaints about odd markup) is not the test's.
class QuietPage final : public QWebEnginePage {
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
};

enum class Shown { InPlace, Checked, Unchecked, Nothing };

// How the pane showed the change `edit` makes: in place, in a new document
// found to hold the page, or in one with something that runs.
template <typename Edit> Shown shownAfter(PreviewPane *pane, Edit edit)
{
    QSignalSpy inPlace(pane, &PreviewPane::changedInPlace);
    QSignalSpy document(pane, &PreviewPane::documentShown);
    edit();
    if (!waitUntil([&] { return !inPlace.isEmpty() || !document.isEmpty(); }, kPageTimeoutMs))
        return Shown::Nothing;
    if (!inPlace.isEmpty())
        return Shown::InPlace;
    return document.constLast().at(0).toBool() ? Shown::Checked : Shown::Unchecked;
}

// Every Show Me example and every answer of the course.
QStringList courseExamples()
{
    QStringList all;
    for (const auto &[name, text] : courseTexts())
        if (!name.contains(u"every") && !name.endsWith(u"written"))
            all << text;
    return all;
}

// Pages a learner copies from elsewhere: a doctype and a title (which only
// a new document may change), tables, SVG, comments, tags that cross.
const QStringList kCopied = {
    QStringLiteral("<!DOCTYPE html><title>Mine</title><p>One<p>Two"),
    QStringLiteral("<table border=1><tr><td>a<td>b</table><b><i>x</b>y</i>"),
    QStringLiteral("<svg width=20 height=20><circle cx=10 cy=10 r=5 /></svg><!-- c -->"),
    QStringLiteral("<ul><li>a<li><a href=\"#top\" title='t'>b</a></ul><title>In body</title>"),
};

} // namespace

class TestInPlace final : public QObject {
    Q_OBJECT

private:
    CourseRun m_run;
    WorkspaceScreen *m_screen = nullptr;
    QuietPage m_fresh;
    QTemporaryDir m_copies;
    int m_loads = 0;

    PreviewPane *pane() const { return m_screen->pane(); }
    QPlainTextEdit *editor() const { return m_screen->editor(); }
    // One key, as the learner types it (a line break is Return).
    Shown typed(QChar c)
    {
        return shownAfter(pane(), [&] {
            if (c == u'\n')
                QTest::keyClick(editor(), Qt::Key_Return);
            else
                QTest::sendKeyEvent(QTest::Click, editor(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        });
    }
    Shown setText(const QString &t)
    {
        return shownAfter(pane(), [&] { quorvel::editor::setText(editor(), t); });
    }

    // The pane's document is the one a fresh load of a copy of the page
    // file gives; else what differs.
    QString differsFromAFreshLoad()
    {
        const QString shown = evaluate(pane(), kDocument).value_or(QString()).toString();
        QFile copy(m_copies.filePath(QStringLiteral("%1.html").arg(++m_loads)));
        if (!copy.open(QIODevice::WriteOnly) || copy.write(readFile(m_screen->pagePath())) < 0)
            return QStringLiteral("no copy of the page");
        copy.close();
        QSignalSpy loaded(&m_fresh, &QWebEnginePage::loadFinished);
        m_fresh.load(QUrl::fromLocalFile(copy.fileName()));
        auto fresh = std::make_shared<QString>();
        if (waitUntil([&] { return !loaded.isEmpty(); }, kPageTimeoutMs))
            m_fresh.runJavaScript(kDocument, [fresh](const QVariant &v) { *fresh = v.toString(); });
        waitUntil([&] { return !fresh->isEmpty(); }, kPageTimeoutMs);
        return *fresh == shown
                   ? QString()
                   : QStringLiteral("\n  in place:   %1\n  fresh load: %2").arg(shown, *fresh);
    }

    // Starts a test with `text` on view, in a document that takes changes in
    // place: a new one where the document before held something that runs.
    void start(const QString &text)
    {
        const Shown shown = setText(text);
        QVERIFY(shown == Shown::InPlace || shown == Shown::Checked);
    }

private slots:
    void initTestCase()
    {
        // The screen's first document, complete: until then a change could
        // go in place into it while a newer load is still on its way.
        m_screen = m_run.show(ScreenId::Form1);
        QSignalSpy first(pane(), &PreviewPane::documentShown);
        QVERIFY(waitUntil([&] { return !first.isEmpty(); }, kPageTimeoutMs));
        QVERIFY(first.first().at(0).toBool());
    }

    // Every example of the course typed key by key, as the learner types
    // them, and pages copied from elsewhere: each key of the course's
    // changes the page in place; then the page is the one a fresh load gives.
    // Some keys of the copied pages change the doctype or the mode, or leave
    // the parser without a document at all ("<!D"): a new document.
    void everyKey_equalToAFreshLoad()
    {
        const QStringList course = courseExamples();
        for (const QString &example : course + kCopied) {
            start(QString());
            const QString all = QString(example).remove(u'\r');
            QString keys;
            for (const QChar c : all) {
                keys += c;
                const Shown shown = typed(c);
                QVERIFY2(shown == Shown::InPlace ||
                             (!course.contains(example) && shown == Shown::Checked),
                         qPrintable(keys));
                const QString differs = differsFromAFreshLoad();
                QVERIFY2(differs.isEmpty(), qPrintable(keys + differs));
            }
        }
    }

    // Random edits of the course's examples: characters, tags, quotes and
    // "<" put in or taken out anywhere. The generator starts from the same
    // number every run, so a failure comes back. Most edits are shown in
    // place (a tag's ">" taken away can make the next word an attribute
    // that starts with "on").
    void randomEdits_equalToAFreshLoad()
    {
        start((courseExamples() + kCopied).join(QLatin1String("\r\n")));
        QRandomGenerator random(20261207);
        const QStringList bits =
            QStringLiteral("<|>|\"|'|/|=| |x|<B>|</B>|<P>|</I>|<A HREF=\"http://a.example/\">|</A>|"
                           "<!--|-->|<BR>|<table><tr><td>")
                .split(u'|');
        int inPlace = 0;
        for (int edit = 0; edit < 300; ++edit) {
            QTextCursor cursor(editor()->document());
            const int length = editor()->document()->characterCount() - 1;
            cursor.setPosition(random.bounded(length + 1));
            const bool remove = length > 0 && random.bounded(3) == 0;
            const Shown shown = shownAfter(pane(), [&] {
                if (remove) {
                    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                                        1 + random.bounded(4));
                    cursor.removeSelectedText();
                } else {
                    cursor.insertText(bits.at(random.bounded(bits.size())));
                }
            });
            QVERIFY2(shown != Shown::Nothing, qPrintable(m_screen->text()));
            if (shown != Shown::InPlace)
                continue;
            ++inPlace;
            const QString differs = differsFromAFreshLoad();
            QVERIFY2(differs.isEmpty(),
                     qPrintable(
                         QStringLiteral("edit %1: %2%3").arg(edit).arg(m_screen->text(), differs)));
        }
        QVERIFY2(inPlace > 250, qPrintable(QString::number(inPlace)));
    }

    // A change made in place comes into view, by as little scrolling as will
    // do: typed at the end of a long page, the end; typed at the start, the
    // top; a change already in view leaves the page where it is.
    void followsTheEditInPlace()
    {
        start(QStringLiteral("<p>x</p>\r\n").repeated(80));
        const auto type = [this](const QString &keys) {
            for (const QChar c : keys)
                QCOMPARE(typed(c), Shown::InPlace);
        };
        // Whether the element stands in view once the next frame is drawn
        // (the pane scrolls just before it), and the page's scroll.
        const auto where = [this](const char *selector) {
            evaluate(pane(), QStringLiteral("window.drawn = false; requestAnimationFrame("
                                            "() => requestAnimationFrame(() => drawn = true))"));
            waitUntil([this] { return evaluate(pane(), QStringLiteral("drawn")) == true; },
                      kPageTimeoutMs);
            return evaluate(pane(), QStringLiteral("(b => (b.top >= 0 && b.bottom <= innerHeight"
                                                   " ? 'in' : 'out') + ' ' + scrollY)(document."
                                                   "querySelector('%1').getBoundingClientRect())")
                                        .arg(QLatin1String(selector)))
                .value_or(QString())
                .toString();
        };
        editor()->moveCursor(QTextCursor::End);
        type(QStringLiteral("<U>tail</U>"));
        const QString atTheEnd = where("u");
        QVERIFY2(atTheEnd.startsWith(u"in ") && atTheEnd != u"in 0", qPrintable(atTheEnd));
        type(QStringLiteral("!"));
        QCOMPARE(where("u"), atTheEnd);
        editor()->moveCursor(QTextCursor::Start);
        type(QStringLiteral("<I>head</I>"));
        QCOMPARE(where("i"), QStringLiteral("in 0"));
    }

    // The page reaches the document as data: nothing in it runs in the
    // pane's own world, whatever quotes, escapes, "</script>", line or
    // paragraph separators or lone surrogates it holds.
    void textReachesThePageAsData_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::newRow("quotes and backslashes") << QStringLiteral( "<p title=\"a'b\">\"); window.spliced = 1; (\"</p> \\\" \\\\ \\u0041");
        QTest::newRow("a script's end tag") << QStringLiteral("<p>x</script>'; window.spliced = 1; '</p>");
        QTest::newRow("separators and template quotes") << QStringLiteral("<p>a\u2028b\u2029c ` ${window.spliced = 1} `</p>");
        QTest::newRow("lone surrogates") << QStringLiteral("<p>") + QChar(0xD800) + QStringLiteral(" and ") + QChar(0xDFFF) + QStringLiteral("</p>");
        // clang-format on
    }
    void textReachesThePageAsData()
    {
        QFETCH(QString, text);
        start(QStringLiteral("<p>before</p>"));
        QCOMPARE(setText(text), Shown::InPlace);
        const QString differs = differsFromAFreshLoad();
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        auto spliced = std::make_shared<QString>();
        pane()->page()->runJavaScript(QStringLiteral("typeof window.spliced"),
                                      QWebEngineScript::ApplicationWorld,
                                      [spliced](const QVariant &v) { *spliced = v.toString(); });
        QVERIFY(waitUntil([&] { return *spliced == u"undefined"; }, kPageTimeoutMs));
    }

    // Whatever runs, loads or navigates by itself, or stands otherwise in a
    // document of DOMParser's, gets a new document, wherever it stands.
    void actingPagesGetANewDocument_data()
    {
        // clang-format off
        QTest::addColumn<QString>("added");
        for (const char *added :
             {"<img src=a.png>", "<a href=\" java\tscript:void(0)\">x</a>",
              "<div style='background: URL(a.png)'>x</div>", "<svg><use href='#a'/></svg>",
              "<meta http-equiv=refresh content=1>", "<base href='http://a.example/'>",
              "<iframe></iframe>", "<noscript><p>x</p></noscript>", "<template>x</template>",
              "<style>@import 'a.css';</style>", "<input autofocus>", "<body onload=''>"})
            QTest::newRow(added) << QString::fromLatin1(added);
        // clang-format on
    }
    void actingPagesGetANewDocument()
    {
        QFETCH(QString, added);
        start(QStringLiteral("<p>x</p>"));
        QCOMPARE(setText(QStringLiteral("<p>x</p>") + added), Shown::Unchecked);
    }

    // The key that makes a script, or an attribute that is one, takes a new
    // document, and so does every key while one is there; the key that
    // takes the last away is shown in a new document, and the next in place.
    void scriptsGetANewDocumentAtTheirKey_data()
    {
        // clang-format off
        QTest::addColumn<int>("at"); // where the learner types into "<p>x</p>"
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("runsFrom"); // the first of the keys that makes a script
        QTest::newRow("a <script> at the end") << 8 << QStringLiteral("<script>document.title='ran'</script>") << 7;
        QTest::newRow("onclick= inside a tag") << 2 << QStringLiteral(" onclick=alert(1)") << 2;
        // clang-format on
    }
    void scriptsGetANewDocumentAtTheirKey()
    {
        QFETCH(int, at);
        QFETCH(QString, keys);
        QFETCH(int, runsFrom);
        start(QStringLiteral("<p>x</p>"));
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(at);
        editor()->setTextCursor(cursor);
        for (int i = 0; i < keys.size(); ++i)
            QVERIFY2(typed(keys.at(i)) == (i < runsFrom ? Shown::InPlace : Shown::Unchecked),
                     qPrintable(keys.left(i + 1)));
        if (keys.contains(u"title"))
            QVERIFY(waitUntil([&] { return pane()->title() == u"ran"; }, kPageTimeoutMs));
        for (int i = keys.size() - 1; i >= 0; --i) {
            const Shown shown =
                shownAfter(pane(), [&] { QTest::keyClick(editor(), Qt::Key_Backspace); });
            QVERIFY2(shown == (i > runsFrom    ? Shown::Unchecked
                               : i == runsFrom ? Shown::Checked
                                               : Shown::InPlace),
                     qPrintable(keys.left(i)));
        }
        QCOMPARE(m_screen->text(), QStringLiteral("<p>x</p>"));
    }
};

QUORVEL_TEST_MAIN(TestInPlace)
#include "tst_inplace.moc"
