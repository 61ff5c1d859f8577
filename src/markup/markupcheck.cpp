// SPDX-License-Identifier: GPL-3.0-or-later
// The markup is read in three steps, so that what is called a mistake here is
// something the browser stumbles over too. A tokenizer reads tags, quotes
// and comments by a browser's rules and says how each tag ended. One pass
// keeps the open elements as a browser's tree builder does in the common
// cases, from the table of the tags (tags.h). Rules note each mistake as a
// kind and a place; the earliest wins, and only its sentence is written
// (advice.h). No step goes back over the text, so the time grows with the
// text's length and no faster.
#include "markupcheck.h"

#include "advice.h"
#include "tags.h"

#include <QHash>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel::markup {

namespace {

// Hidden: "<!x>", "<?x>", "</1>", which the browser shows none of. Text: a
// CDATA section, in SVG or MathML. LessThan: a '<' that starts nothing, which
// the browser shows.
enum class TokenKind : std::uint8_t { StartTag, EndTag, Comment, Doctype, Hidden, Text, LessThan };

enum class Ending : std::uint8_t {
    Closed,      // by its '>', or a comment's "-->"
    SelfClosing, // by "/>"
    CutShort,    // by a '<' before any '>': the learner left the '>' out
    OpenQuote,   // a quote in it never closes: it is taken to end at the '>'
                 // after that quote, or where the next tag starts
    TextEnd,     // the text ends in it: the browser drops it and all after it
};

struct Attribute {
    Span name;
    Span value;         // without its quotes
    char16_t quote = 0; // around the value, 0 for none
    bool closed = true; // false when its quote never closes
};

struct Token {
    TokenKind kind = TokenKind::Text;
    Ending ending = Ending::Closed;
    Span whole;
    Span name;           // a tag's
    bool spaced = false; // a space after its "<" or "</"
    std::vector<Attribute> attributes;
};

// Reads a token at a time, from where the last one ended.
struct Tokenizer {
    QStringView text;
    qsizetype pos = 0;

    // False at the text's end. In foreign content "<![CDATA[" starts text.
    bool next(Token &t, bool foreign);
    // Skips the text of a <SCRIPT>-like element, up to its own end tag.
    Ending rawText(QStringView name);
    char16_t at(qsizetype i) const { return i < text.size() ? text[i].unicode() : 0; }

private:
    qsizetype afterSpace(qsizetype p) const
    {
        while (isSpace(at(p)))
            ++p;
        return p;
    }
    void finish(Token &t, Ending how, qsizetype end)
    {
        t.ending = how;
        t.whole.length = (pos = end) - t.whole.start;
    }
    void upTo(Token &t, TokenKind kind, QStringView end);
    bool spacedTag(Token &t, qsizetype name);
    void readTag(Token &t, qsizetype name);
    bool quoted(Token &t, Attribute a, qsizetype quote);
};

bool Tokenizer::next(Token &t, bool foreign)
{
    const qsizetype lt = text.indexOf(u'<', pos);
    if (lt < 0)
        return false;
    t.whole.start = lt;
    t.spaced = false;
    t.attributes.clear();
    const QStringView rest = text.sliced(lt);
    const bool end = at(lt + 1) == u'/';
    const qsizetype name = afterSpace(lt + (end ? 2 : 1));
    t.kind = end ? TokenKind::EndTag : TokenKind::StartTag;
    if (isAsciiLetter(at(lt + 1)) || (end && isAsciiLetter(at(name)))) {
        t.spaced = name > lt + 2; // "</ B>", which the browser hides
        readTag(t, name);
    } else if (rest.startsWith(u"<!--")) {
        const qsizetype close = commentEnd(text, lt + 4);
        t.kind = TokenKind::Comment;
        finish(t, close < 0 ? Ending::TextEnd : Ending::Closed, close < 0 ? text.size() : close);
    } else if (foreign && rest.startsWith(u"<![CDATA[")) {
        upTo(t, TokenKind::Text, u"]]>");
    } else if (rest.startsWith(u"<!") || rest.startsWith(u"<?") || (end && rest.size() > 2)) {
        const bool doctype = rest.sliced(2).startsWith(u"doctype", Qt::CaseInsensitive);
        upTo(t, doctype ? TokenKind::Doctype : TokenKind::Hidden, u">");
    } else if (!(name > lt + 1 && isAsciiLetter(at(name)) && spacedTag(t, name))) {
        t.kind = TokenKind::LessThan;
        finish(t, Ending::Closed, lt + 1);
    }
    return true;
}

void Tokenizer::upTo(Token &t, TokenKind kind, QStringView end)
{
    t.kind = kind;
    const qsizetype k = text.indexOf(end, t.whole.start + 2);
    finish(t, k < 0 ? Ending::TextEnd : Ending::Closed, k < 0 ? text.size() : k + end.size());
}

// "< B>": the browser shows it as text, but the learner meant a tag. It is
// read only up to the next '<', so that "a < b < c" costs no more than that.
bool Tokenizer::spacedTag(Token &t, qsizetype name)
{
    const qsizetype next = text.indexOf(u'<', name);
    Tokenizer upToNext{text.first(next < 0 ? text.size() : next)};
    upToNext.readTag(t, name);
    t.spaced = t.ending == Ending::Closed || t.ending == Ending::SelfClosing;
    pos = t.spaced ? upToNext.pos : pos;
    return t.spaced;
}

void Tokenizer::readTag(Token &t, qsizetype p)
{
    const qsizetype n = text.size();
    const auto inName = [&](qsizetype i) { return i < n && !endsTagName(at(i)) && at(i) != u'<'; };
    for (t.name.start = p; inName(p);)
        ++p;
    t.name.length = p - t.name.start;
    for (;;) {
        while (isSpace(at(p)) || (at(p) == u'/' && at(p + 1) != u'>'))
            ++p;
        if (p >= n)
            return finish(t, Ending::TextEnd, n);
        if (at(p) == u'>' || at(p) == u'/')
            return finish(t, at(p) == u'>' ? Ending::Closed : Ending::SelfClosing,
                          p + (at(p) == u'>' ? 1 : 2));
        if (at(p) == u'<')
            return finish(t, Ending::CutShort, p);
        Attribute a{{p, 0}};
        for (++p; inName(p) && at(p) != u'=';) // a first '=' belongs to the name
            ++p;
        a.name.length = p - a.name.start;
        const qsizetype eq = afterSpace(p);
        const qsizetype v = afterSpace(eq + 1);
        if (at(eq) == u'=' && (at(v) == u'"' || at(v) == u'\'')) {
            if (!quoted(t, a, v))
                return;
            p = pos;
            continue;
        }
        if (at(eq) == u'=') {
            for (p = v; p < n && !isSpace(at(p)) && at(p) != u'>' && at(p) != u'<';)
                ++p;
            a.value = {v, p - v};
        }
        t.attributes.push_back(a);
    }
}

// A quoted value may hold a '>', or a '<' that starts no tag. When a tag
// starts before the closing quote, or no quote closes it, the closing quote
// was forgotten: the tag is taken to end at the first '>' after the opening
// quote, as the learner meant, or where that tag starts. False once the tag
// has ended.
bool Tokenizer::quoted(Token &t, Attribute a, qsizetype quote)
{
    a.quote = at(quote);
    const qsizetype close = text.indexOf(QChar(a.quote), quote + 1);
    const QStringView upToClose = text.first(close < 0 ? text.size() : close);
    qsizetype end = upToClose.indexOf(u'<', quote);
    while (end >= 0 && !isAsciiLetter(at(end + 1)) && at(end + 1) != u'/')
        end = upToClose.indexOf(u'<', end + 1);
    a.closed = close >= 0 && end < 0;
    end = end < 0 ? upToClose.size() : end;
    const qsizetype gt = a.closed ? -1 : text.first(end).indexOf(u'>', quote + 1);
    a.value = {quote + 1, (gt < 0 ? end : gt) - quote - 1};
    t.attributes.push_back(a);
    pos = close + 1;
    if (!a.closed)
        finish(t, gt >= 0 || end < text.size() ? Ending::OpenQuote : Ending::TextEnd,
               gt >= 0 ? gt + 1 : end);
    return a.closed;
}

Ending Tokenizer::rawText(QStringView name)
{
    for (qsizetype k = text.indexOf(u"</", pos); k >= 0; k = text.indexOf(u"</", k + 1)) {
        const QStringView after = text.sliced(k + 2);
        if (after.startsWith(name, Qt::CaseInsensitive) &&
            (after.size() == name.size() || endsTagName(after[name.size()].unicode()))) {
            pos = k;
            return Ending::Closed;
        }
    }
    pos = text.size();
    return Ending::TextEnd;
}

struct Open {
    Span tag;                      // its start tag
    QStringView name;              // as typed
    const TagInfo *info = nullptr; // nullptr for a name no table holds
    bool htmlInside = true;        // false inside SVG and MathML

    bool mayStayOpen() const { return info && info->group; }
};

// The open elements, as a browser's tree builder keeps them in the common
// cases. How many of each name are open is counted, so that an end tag with
// nothing to close is known at once, not by a walk down all of them.
class OpenElements {
public:
    bool foreign() const { return !m_stack.empty() && !m_stack.back().htmlInside; }
    void push(const Open &e)
    {
        ++count(e);
        m_stack.push_back(e);
    }
    // Where the topmost element an end tag of this name closes is, or -1.
    qsizetype find(QStringView name, const TagInfo *info) const;
    // The topmost element above the one at `at` whose end tag may not be left
    // out; any at all for a formatting element, whose end tag leaves open
    // what is inside it, a paragraph too.
    const Open *crossed(qsizetype at, bool formatting) const;
    // Ends the element at `at` and all above it; `closer` is the start tag
    // that ended them, if one did.
    void closeFrom(qsizetype at, Span closer = {});
    // A <P> ends an open <P>, a <TR> an open row and its cell: the lowest
    // element of the groups, if only elements that may stay open stand above.
    void closeGroups(Groups groups, Span closer);
    // The start tag that ended the last element of this tag, if one did.
    Span endedBy(const TagInfo *info) const { return info ? m_endedBy[index(info)] : Span{}; }
    const Open *firstUnclosed() const
    {
        const auto it = std::ranges::find_if(m_stack, [](auto &e) { return !e.mayStayOpen(); });
        return it == m_stack.end() ? nullptr : &*it;
    }

private:
    static std::size_t index(const TagInfo *info) { return std::size_t(info - knownTags().data()); }
    int &count(const Open &e)
    {
        return e.info ? m_known[index(e.info)] : m_unknown[e.name.toString().toLower()];
    }

    std::vector<Open> m_stack;
    std::vector<int> m_known = std::vector<int>(knownTags().size());
    std::vector<Span> m_endedBy = std::vector<Span>(knownTags().size());
    QHash<QString, int> m_unknown; // by lower-case name
};

qsizetype OpenElements::find(QStringView name, const TagInfo *info) const
{
    if ((info ? m_known[index(info)] : m_unknown.value(name.toString().toLower())) == 0)
        return -1;
    qsizetype k = qsizetype(m_stack.size()) - 1;
    while (m_stack[k].info != info ||
           (!info && m_stack[k].name.compare(name, Qt::CaseInsensitive) != 0))
        --k;
    return k;
}

const Open *OpenElements::crossed(qsizetype at, bool formatting) const
{
    for (qsizetype k = qsizetype(m_stack.size()) - 1; k > at; --k) {
        if (formatting || !m_stack[k].mayStayOpen())
            return &m_stack[k];
    }
    return nullptr;
}

void OpenElements::closeFrom(qsizetype at, Span closer)
{
    for (; qsizetype(m_stack.size()) > at; m_stack.pop_back()) {
        --count(m_stack.back());
        if (m_stack.back().info)
            m_endedBy[index(m_stack.back().info)] = closer;
    }
}

void OpenElements::closeGroups(Groups groups, Span closer)
{
    qsizetype lowest = -1;
    for (qsizetype k = qsizetype(m_stack.size()) - 1; k >= 0 && m_stack[k].mayStayOpen(); --k) {
        if (m_stack[k].info->group & groups)
            lowest = k;
    }
    if (lowest >= 0)
        closeFrom(lowest, closer);
}

class Checker {
public:
    explicit Checker(QStringView text)
        : m_text(text)
    {
    }
    std::optional<Found> run();

private:
    QStringView slice(Span s) const { return m_text.sliced(s.start, s.length); }
    void record(const Found &f)
    {
        if (!m_first || f.at.start < m_first->at.start)
            m_first = f;
    }
    void checkTag(const Token &t);
    void startTag(const Token &t);
    void endTag(const Token &t);
    void attributes(const Token &t, const TagInfo &info);

    QStringView m_text;
    Tokenizer m_tokens{m_text};
    Token m_token;
    OpenElements m_open;
    std::optional<Found> m_first;
    // The text ended inside a comment, a quote, a tag or raw text: end tags
    // may be in there, so what is still open is not blamed.
    bool m_swallowed = false;
    // Known at the first tag: a doctype before it puts the page in standards
    // mode, where a table ends an open paragraph.
    std::optional<bool> m_standards;
};

std::optional<Found> Checker::run()
{
    while (!m_swallowed && m_tokens.next(m_token, m_open.foreign())) {
        const Token &t = m_token;
        m_swallowed = t.ending == Ending::TextEnd;
        const bool isTag = t.kind == TokenKind::StartTag || t.kind == TokenKind::EndTag;
        if (!m_standards && (isTag || t.kind == TokenKind::Doctype))
            m_standards = t.kind == TokenKind::Doctype;
        // "< x>" with a name browsers do not know is a less-than sooner.
        if (t.kind == TokenKind::LessThan ||
            (t.spaced && t.kind == TokenKind::StartTag && !lookUp(slice(t.name))))
            record({Mistake::StrayLessThan, {t.whole.start, 1}});
        else if (t.kind == TokenKind::Comment && m_swallowed)
            record({Mistake::UnterminatedComment, {t.whole.start, 4}});
        else if (isTag)
            checkTag(t);
    }
    if (const Open *e = m_open.firstUnclosed(); e && !m_swallowed)
        record({Mistake::UnclosedElement, e->tag});
    return m_first;
}

// How a tag is written, whatever it opens or closes; then what it does.
void Checker::checkTag(const Token &t)
{
    if (t.spaced)
        record({Mistake::SpaceAfterLessThan, t.whole});
    if (!t.attributes.empty() && !t.attributes.back().closed) {
        // What the learner sees as the value: up to the first space.
        const Attribute &a = t.attributes.back();
        const QStringView value = slice(a.value);
        const auto seen = std::ranges::find_if(value, [](QChar c) { return isSpace(c.unicode()); });
        record({Mistake::UnterminatedQuote,
                {a.value.start - 1, seen - value.begin() + 1},
                {},
                a.name});
    } else if (t.ending == Ending::CutShort || t.ending == Ending::TextEnd) {
        record({Mistake::UnfinishedTag,
                {t.whole.start, t.name.start + t.name.length - t.whole.start}});
    }
    if (m_swallowed) // the browser drops a tag the text ends in
        return;
    if (t.kind == TokenKind::StartTag)
        startTag(t);
    else
        endTag(t);
}

void Checker::startTag(const Token &t)
{
    const QStringView name = slice(t.name);
    Open e{t.whole, name, lookUp(name)};
    if (m_open.foreign()) {
        e.htmlInside = holdsHtml(name);
        if (t.ending != Ending::SelfClosing)
            m_open.push(e);
        return;
    }
    if (!e.info && !name.contains(u'-')) // a custom element's name has one
        record({Mistake::UnknownElement, e.tag});
    if (!e.info)
        return m_open.push(e);
    const TagInfo &info = *e.info;
    attributes(t, info);
    // Without a doctype the page is in quirks mode, where a table leaves an
    // open paragraph open, and the paragraph's end tag after it is right.
    m_open.closeGroups(info.name == "table" && !*m_standards ? 0 : info.closes, e.tag);
    e.htmlInside = info.reads != Reads::Foreign;
    // The browser keeps one <HTML>, <HEAD> and <BODY>: another adds nothing.
    if (info.reads == Reads::Nothing || (!e.htmlInside && t.ending == Ending::SelfClosing) ||
        ((info.group & (kOuter | kHead)) && m_open.find(name, &info) >= 0))
        return;
    m_open.push(e);
    const bool closes = info.reads != Reads::Text || m_tokens.rawText(name) == Ending::Closed;
    if (!closes)
        record({Mistake::UnclosedElement, e.tag});
    m_swallowed = !closes || info.reads == Reads::AllText;
}

void Checker::endTag(const Token &t)
{
    const QStringView name = slice(t.name);
    const TagInfo *info = lookUp(name);
    if (info && info->reads == Reads::Nothing && !m_open.foreign())
        return record({Mistake::EndTagOfVoidElement, t.whole});
    if (const qsizetype at = m_open.find(name, info); at >= 0) {
        if (const Open *e = m_open.crossed(at, info && info->role == Role::Formatting))
            record({Mistake::MismatchedEndTag, t.whole, e->tag});
        m_open.closeFrom(at);
    } else if (!info || !(info->group & (kOuter | kHead))) {
        // The browser opens <HTML>, <HEAD> and <BODY> whether written or not.
        record({Mistake::StrayEndTag, t.whole, m_open.endedBy(info)});
    }
}

void Checker::attributes(const Token &t, const TagInfo &info)
{
    for (const Attribute &a : t.attributes) {
        const Lower name(slice(a.name));
        if (!meantAttribute(info.name, name.view()).empty())
            record({Mistake::MisspeltAttribute, a.name, {}, t.name});
        const QStringView value = slice(a.value);
        const qsizetype after = a.value.start + a.value.length;
        if (!a.closed || value.isEmpty())
            continue;
        // A word processor's quotes, or a value's first quote left out: the
        // browser takes the quotes into the value, and a link breaks.
        if (!a.quote && QStringView(u"“”„‘’").contains(value.front()))
            record({Mistake::CurlyQuotes, a.value});
        else if (!a.quote && (value.back() == u'"' || value.back() == u'\''))
            record({Mistake::MissingOpeningQuote, a.value});
        else if (!isAddressAttribute(name.view()))
            continue;
        else if (name.view() == "href" && !a.quote && isSpace(m_tokens.at(after)) &&
                 value.compare(u"mailto:", Qt::CaseInsensitive) == 0)
            record({Mistake::MailtoSpace, {a.value.start, a.value.length + 1}});
        else if (value.startsWith(u"http//", Qt::CaseInsensitive) ||
                 value.startsWith(u"https//", Qt::CaseInsensitive))
            record({Mistake::SchemeWithoutColon, a.value});
        else if (looksLikeWebSite(value))
            record({Mistake::AddressWithoutScheme, a.value});
    }
}

} // namespace

std::optional<Finding> firstMistake(QStringView text)
{
    if (text.size() > kMaxCheckedChars)
        return std::nullopt;
    const std::optional<Found> found = Checker(text).run();
    if (!found)
        return std::nullopt;
    std::vector<Span> spans{found->at};
    if (found->about.length > 0)
        spans.push_back(found->about);
    return Finding{found->kind, std::move(spans), sentence(text, *found)};
}

} // namespace quorvel::markup
