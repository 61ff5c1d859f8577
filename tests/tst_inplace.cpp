// SPDX-License-Identifier: GPL-3.0-or-later
// The preview changing its page in place: after every change made so, the
// pane's document is the one a fresh load of the page file gives, markup,
// title and mode alike; the learner's text reaches the page as data, never
// as script; and a page with anything that runs gets a new document at the
// very key that makes it, and in place again once nothing runs.
#include "lessons/lessons.h"
#include "practice/practice.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/editortext.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCursor>
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

// Pages of their own that load copies of the page file afresh, as a browser
// opening it would, a few at a time while the test types on, and compare
// each with what the pane showed for the same file.
class FreshLoads final {
public:
    FreshLoads()
    {
        for (auto &page : m_pages) {
            page = std::make_unique<QuietPage>();
            connect(page.get());
        }
    }

    // Compares the pane's document `shown` with a fresh load of the page
    // file as it is now.
    void compare(const QString &pagePath, const QString &shown, const QString &what)
    {
        const QString copy = m_dir.filePath(QStringLiteral("%1.html").arg(m_jobs.size()));
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly) || file.write(readFile(pagePath)) < 0)
            m_differ << what + QStringLiteral(": no copy of the page");
        m_jobs.push_back({copy, shown, what});
        next();
    }

    // Waits for every comparison; what differed.
    QStringList finish()
    {
        if (!waitUntil([this] { return m_done == m_jobs.size(); }, 120000))
            m_differ << QStringLiteral("fresh loads still outstanding");
        return m_differ;
    }

private:
    struct Job {
        QString copy, shown, what;
    };
    // The pages' own console messages (the engine's complaints about odd
    // markup) are not the test's.
    class QuietPage final : public QWebEnginePage {
        void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                      const QString &) override
        {
        }
    };

    void connect(QWebEnginePage *page)
    {
        QObject::connect(page, &QWebEnginePage::loadFinished, page, [this, page](bool) {
            const Job &job = m_jobs[m_busy.take(page)];
            page->runJavaScript(kDocument, [this, page, job](const QVariant &fresh) {
                if (fresh.toString() != job.shown)
                    m_differ << QStringLiteral("%1\n  in place:   %2\n  fresh load: %3")
                                    .arg(job.what, job.shown, fresh.toString());
                ++m_done;
                next();
            });
        });
    }

    void next()
    {
        for (auto &page : m_pages) {
            if (m_started == m_jobs.size())
                return;
            if (!m_busy.contains(page.get())) {
                m_busy.insert(page.get(), m_started);
                page->load(QUrl::fromLocalFile(m_jobs[m_started++].copy));
            }
        }
    }

    QTemporaryDir m_dir;
    std::array<std::unique_ptr<QuietPage>, 3> m_pages;
    QList<Job> m_jobs;
    QHash<QWebEnginePage *, qsizetype> m_busy; // a page's job under way
    qsizetype m_started = 0;
    qsizetype m_done = 0;
    QStringList m_differ;
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

// One key, as the learner types it: a line break is Return.
void typeKey(QPlainTextEdit *editor, QChar c)
{
    if (c == u'\n')
        QTest::keyClick(editor, Qt::Key_Return);
    else
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Every Show Me example and every answer of the course.
QStringList courseExamples()
{
    QStringList all;
    for (const ScreenDesign *design :
         {&lessons::lesson1(), &lessons::lesson2(), &lessons::lesson3(), &practice::practice1(),
          &practice::practice2(), &practice::practice3()}) {
        for (const Snippet &snippet : design->snippets)
            all << snippet.text;
        if (!design->answerLines.empty())
            all << QStringList(design->answerLines.begin(), design->answerLines.end())
                       .join(QLatin1String("\r\n"));
    }
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
    CourseRun *m_run = nullptr;
    WorkspaceScreen *m_screen = nullptr;

    PreviewPane *pane() const { return m_screen->pane(); }
    QPlainTextEdit *editor() const { return m_screen->editor(); }

    // Compares the pane's document with a fresh load of the page, as the
    // test goes on.
    void compare(FreshLoads &fresh, const QString &what)
    {
        const QString shown = evaluate(pane(), kDocument).value_or(QString()).toString();
        fresh.compare(m_screen->pagePath(), shown, what);
    }

    // Starts each test with `text` on view, in a document that takes
    // changes in place.
    void start(const QString &text)
    {
        const Shown shown = shownAfter(pane(), [&] { quorvel::editor::setText(editor(), text); });
        if (shown == Shown::InPlace)
            return;
        // The document before held something that runs: this one is new.
        QCOMPARE(shown, Shown::Checked);
    }

private slots:
    void initTestCase()
    {
        m_run = new CourseRun;
        m_screen = m_run->show(ScreenId::Form1);
        QVERIFY(waitUntil([this] { return shownText(pane()).isEmpty(); }, kPageTimeoutMs));
    }

    void cleanupTestCase() { delete m_run; }

    // Every example of the course typed key by key, as the learner types
    // them, and pages copied from elsewhere: each key of the course's
    // changes the page in place; then the page is the one a fresh load gives.
    void everyKey_equalToAFreshLoad()
    {
        const QStringList course = courseExamples();
        FreshLoads fresh;
        for (const QString &example : course + kCopied) {
            start(QString());
            const QString keys = QString(example).remove(u'\r');
            QString typed;
            for (const QChar c : keys) {
                typed += c;
                const Shown shown = shownAfter(pane(), [&] { typeKey(editor(), c); });
                // Some keys of the copied pages change the doctype or the
                // mode, or leave the parser without a document at all ("<!D").
                const bool byCourse = course.contains(example);
                QVERIFY2(shown == Shown::InPlace || (!byCourse && shown == Shown::Checked),
                         qPrintable(typed));
                compare(fresh, typed);
            }
        }
        const QStringList differ = fresh.finish();
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(u'\n')));
    }

    // Random edits of the course's examples: characters, tags, quotes and
    // "<" put in or taken out anywhere. The generator starts from the same
    // number every run, so a failure comes back.
    void randomEdits_equalToAFreshLoad()
    {
        start((courseExamples() + kCopied).join(QLatin1String("\r\n")));
        QRandomGenerator random(20261207);
        FreshLoads fresh;
        const QStringList bits = {
            QStringLiteral("<"),
            QStringLiteral(">"),
            QStringLiteral("\""),
            QStringLiteral("'"),
            QStringLiteral("/"),
            QStringLiteral("="),
            QStringLiteral(" "),
            QStringLiteral("x"),
            QStringLiteral("<B>"),
            QStringLiteral("</B>"),
            QStringLiteral("<P>"),
            QStringLiteral("</I>"),
            QStringLiteral("<A HREF=\"http://a.example/\">"),
            QStringLiteral("</A>"),
            QStringLiteral("<!--"),
            QStringLiteral("-->"),
            QStringLiteral("<BR>"),
            QStringLiteral("<table><tr><td>"),
        };
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
            compare(fresh, QStringLiteral("edit %1: %2").arg(edit).arg(m_screen->text()));
        }
        const QStringList differ = fresh.finish();
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(u'\n')));
        // Most edits are shown in place (a tag's ">" taken away can make the
        // next word an attribute that starts with "on").
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
                QCOMPARE(shownAfter(pane(), [&] { typeKey(editor(), c); }), Shown::InPlace);
        };
        // Where the element stands once the next frame is drawn (the pane
        // scrolls just before it).
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
        QTest::addColumn<QString>("text");
        QTest::newRow("quotes and backslashes") << QStringLiteral(
            "<p title=\"a'b\">\"); window.spliced = 1; (\"</p> \\\" \\\\ \\u0041");
        QTest::newRow("a script's end tag")
            << QStringLiteral("<p>x</script>'; window.spliced = 1; '</p>");
        QTest::newRow("separators and template quotes")
            << QStringLiteral("<p>a\u2028b\u2029c ` ${window.spliced = 1} `</p>");
        QTest::newRow("lone surrogates") << QStringLiteral("<p>") + QChar(0xD800) +
                                                QStringLiteral(" and ") + QChar(0xDFFF) +
                                                QStringLiteral("</p>");
    }
    void textReachesThePageAsData()
    {
        QFETCH(QString, text);
        start(QStringLiteral("<p>before</p>"));
        QCOMPARE(shownAfter(pane(), [&] { quorvel::editor::setText(editor(), text); }),
                 Shown::InPlace);
        FreshLoads fresh;
        compare(fresh, text);
        const QStringList differ = fresh.finish();
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(u'\n')));
        std::optional<QVariant> spliced;
        pane()->page()->runJavaScript(QStringLiteral("typeof window.spliced"),
                                      QWebEngineScript::ApplicationWorld,
                                      [&](const QVariant &v) { spliced = v; });
        QVERIFY(waitUntil([&] { return spliced.has_value(); }, kPageTimeoutMs));
        QCOMPARE(spliced->toString(), QStringLiteral("undefined"));
    }

    // Whatever runs, loads or navigates by itself, or stands otherwise in a
    // document of DOMParser's, gets a new document, wherever it stands.
    void actingPagesGetANewDocument_data()
    {
        QTest::addColumn<QString>("added");
        for (const char *added :
             {"<img src=a.png>", "<a href=\" java\tscript:void(0)\">x</a>",
              "<div style='background: URL(a.png)'>x</div>", "<svg><use href='#a'/></svg>",
              "<meta http-equiv=refresh content=1>", "<base href='http://a.example/'>",
              "<iframe></iframe>", "<noscript><p>x</p></noscript>", "<template>x</template>",
              "<style>@import 'a.css';</style>", "<input autofocus>", "<body onload=''>"})
            QTest::newRow(added) << QString::fromLatin1(added);
    }
    void actingPagesGetANewDocument()
    {
        QFETCH(QString, added);
        start(QStringLiteral("<p>x</p>"));
        QCOMPARE(shownAfter(pane(),
                            [&] {
                                quorvel::editor::setText(editor(),
                                                         QStringLiteral("<p>x</p>") + added);
                            }),
                 Shown::Unchecked);
    }

    // The key that makes a script, or an attribute that is one, takes a new
    // document, and so does every key while one is there; the key that
    // takes the last away is shown in a new document, and the next in place.
    void scriptsGetANewDocumentAtTheirKey_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("at"); // where the learner types
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("runsFrom"); // the first key of `typed` that makes a script
        QTest::newRow("a <script> at the end")
            << QStringLiteral("<p>x</p>") << 8
            << QStringLiteral("<script>document.title='ran'</script>") << 7;
        QTest::newRow("onclick= inside a tag")
            << QStringLiteral("<p>x</p>") << 2 << QStringLiteral(" onclick=alert(1)") << 2;
    }
    void scriptsGetANewDocumentAtTheirKey()
    {
        QFETCH(QString, page);
        QFETCH(int, at);
        QFETCH(QString, typed);
        QFETCH(int, runsFrom);
        start(page);
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(at);
        editor()->setTextCursor(cursor);
        for (int i = 0; i < typed.size(); ++i) {
            const Shown shown = shownAfter(pane(), [&] { typeKey(editor(), typed.at(i)); });
            QVERIFY2(shown == (i < runsFrom ? Shown::InPlace : Shown::Unchecked),
                     qPrintable(typed.left(i + 1)));
        }
        if (typed.contains(u"title"))
            QVERIFY(waitUntil([&] { return pane()->title() == u"ran"; }, kPageTimeoutMs));
        for (int i = typed.size() - 1; i >= 0; --i) {
            const Shown shown =
                shownAfter(pane(), [&] { QTest::keyClick(editor(), Qt::Key_Backspace); });
            QVERIFY2(shown == (i > runsFrom    ? Shown::Unchecked
                               : i == runsFrom ? Shown::Checked
                                               : Shown::InPlace),
                     qPrintable(typed.left(i)));
        }
        QCOMPARE(m_screen->text(), page);
    }
};

QUORVEL_TEST_MAIN(TestInPlace)
#include "tst_inplace.moc"
