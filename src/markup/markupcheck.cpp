// SPDX-License-Identifier: GPL-3.0-or-later
// The markup is read in three steps, so that what is called a mistake here is
// something the browser stumbles over too. A tokenizer reads tags, quotes
// and comments by a browser's rules and says how each tag ended. One pass
// keeps the open elements as a browser's tree builder does in the common
// cases, from a table of the tags. Rules note each mistake as a kind and a
// place; the earliest wins, and only its sentence is written. No step goes
// back over the text, so the time grows with the text's length and no faster.
#include "markupcheck.h"

#include "lexical.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace quorvel::markup {

namespace {

// Every sentence the checker says. Each {name} is filled by name, so that a
// translation may put them in the order its language needs. A kind's second
// row is said when the checker knows more: what the tag does, which tag ended
// the one an end tag was for, that the value is an address, or which tag the
// learner may have meant.
struct Wording {
    Mistake kind;
    bool knowsMore;
    const char *text;
};

// clang-format off
constexpr Wording kWording[] = {
    {Mistake::UnclosedElement, false, QT_TRANSLATE_NOOP("quorvel::markup", "The {tag} here never closes; add {endTag} where it should end.")},
    {Mistake::UnclosedElement, true, QT_TRANSLATE_NOOP("quorvel::markup", "The {tag} here never closes; add {endTag} where the {does} should end.")},
    {Mistake::MismatchedEndTag, false, QT_TRANSLATE_NOOP("quorvel::markup", "The {endTag} here closes {tag} while {open} is still open; close it with {openEnd} first.")},
    {Mistake::StrayEndTag, false, QT_TRANSLATE_NOOP("quorvel::markup", "There is no {tag} open for this {endTag} to close; delete the {endTag}, or add {tag} where it should start.")},
    {Mistake::StrayEndTag, true, QT_TRANSLATE_NOOP("quorvel::markup", "The {open} before it already ended your {tag}, so this {endTag} has nothing to close; put the {endTag} before the {open}.")},
    {Mistake::EndTagOfVoidElement, false, QT_TRANSLATE_NOOP("quorvel::markup", "{tag} stands alone and needs no {endTag}; delete the {endTag}.")},
    {Mistake::UnterminatedQuote, false, QT_TRANSLATE_NOOP("quorvel::markup", "The quote that starts this value never ends, so the browser reads the text after it as part of the value; put a {quote} at the end of the value.")},
    {Mistake::UnterminatedQuote, true, QT_TRANSLATE_NOOP("quorvel::markup", "The quote that starts this address never ends, so the browser reads the text after it as part of the address; put a {quote} right after the address.")},
    {Mistake::StrayLessThan, false, QT_TRANSLATE_NOOP("quorvel::markup", "This < starts no tag; to show < itself, write &lt; instead.")},
    {Mistake::UnknownElement, false, QT_TRANSLATE_NOOP("quorvel::markup", "Browsers know no {tag} tag, so it does nothing to your text; check how it is spelt, or delete it.")},
    {Mistake::UnknownElement, true, QT_TRANSLATE_NOOP("quorvel::markup", "Browsers know no {tag} tag; did you mean {meant}?")},
    {Mistake::MisspeltAttribute, false, QT_TRANSLATE_NOOP("quorvel::markup", "Browsers know no {attribute} in the {tag} tag; did you mean {meant}?")},
    {Mistake::UnterminatedComment, false, QT_TRANSLATE_NOOP("quorvel::markup", "This comment never ends, so the browser hides all the text after it; end it with -->.")},
    {Mistake::AddressWithoutScheme, false, QT_TRANSLATE_NOOP("quorvel::markup", "Without http:// in front, {address} points at a file next to your page, not at the web site; write http://{address}.")},
    {Mistake::MailtoSpace, false, QT_TRANSLATE_NOOP("quorvel::markup", "The space after mailto: ends the address, so the mail has nobody to go to; remove the space.")},
    {Mistake::UnfinishedTag, false, QT_TRANSLATE_NOOP("quorvel::markup", "The {typed} here needs a > to end it; add one where the tag should end.")},
    {Mistake::SpaceAfterLessThan, false, QT_TRANSLATE_NOOP("quorvel::markup", "With a space after < or </ the browser sees no tag here; write {meant} with no space.")},
    {Mistake::CurlyQuotes, false, QT_TRANSLATE_NOOP("quorvel::markup", "The browser takes curly quotes like “ and ” as part of the value; type straight quotes (\") instead.")},
    {Mistake::MissingOpeningQuote, false, QT_TRANSLATE_NOOP("quorvel::markup", "This value ends with {quote} but does not start with one, so the browser takes the {quote} as part of it; write {meant}.")},
    {Mistake::SchemeWithoutColon, false, QT_TRANSLATE_NOOP("quorvel::markup", "A web address needs a : after {scheme}; write {meant}.")},
};

// What a tag does to the text it holds, by the tags that do it: "add </B>
// where the bold text should end" tells a beginner more than "where it should
// end".
constexpr std::pair<std::string_view, const char *> kTagDoes[] = {
    {"a", QT_TRANSLATE_NOOP("quorvel::markup", "link")},
    {"b strong", QT_TRANSLATE_NOOP("quorvel::markup", "bold text")},
    {"em i", QT_TRANSLATE_NOOP("quorvel::markup", "italic text")},
    {"ins u", QT_TRANSLATE_NOOP("quorvel::markup", "underlined text")},
    {"del s strike", QT_TRANSLATE_NOOP("quorvel::markup", "crossed-out text")},
    {"big", QT_TRANSLATE_NOOP("quorvel::markup", "big text")},
    {"small", QT_TRANSLATE_NOOP("quorvel::markup", "small text")},
    {"sub", QT_TRANSLATE_NOOP("quorvel::markup", "lowered text")},
    {"sup", QT_TRANSLATE_NOOP("quorvel::markup", "raised text")},
    {"tt", QT_TRANSLATE_NOOP("quorvel::markup", "typewriter text")},
    {"mark", QT_TRANSLATE_NOOP("quorvel::markup", "highlighted text")},
    {"marquee", QT_TRANSLATE_NOOP("quorvel::markup", "moving text")},
    {"center", QT_TRANSLATE_NOOP("quorvel::markup", "centred text")},
    {"font", QT_TRANSLATE_NOOP("quorvel::markup", "text in that font")},
    {"h1 h2 h3 h4 h5 h6", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"blockquote q", QT_TRANSLATE_NOOP("quorvel::markup", "quotation")},
    {"ol ul", QT_TRANSLATE_NOOP("quorvel::markup", "list")},
    {"table", QT_TRANSLATE_NOOP("quorvel::markup", "table")},
};

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
enum : Groups {
    kP = 1 << 0, kLi = 1 << 1, kDtDd = 1 << 2, kOption = 1 << 3, kOptgroup = 1 << 4,
    kRow = 1 << 5, kCell = 1 << 6, kSection = 1 << 7 /* thead, tbody, tfoot */,
    kColgroup = 1 << 8, kCaption = 1 << 9, kRuby = 1 << 10 /* rb, rt, rp */, kRtc = 1 << 11,
    kHead = 1 << 12, kOuter = 1 << 13 /* html, body */,
};
// clang-format on
constexpr Groups kTablePart = kSection | kColgroup | kCaption | kRow | kCell;

struct TagInfo {
    std::string_view name;
    Reads reads = Reads::Tags;
    Groups closes = 0; // the open elements its start tag ends
    Groups group = 0;  // its own, when its end tag may be left out
    Role role = Role::Plain;
};

// A block's start tag ends an open paragraph; a formatting element's end tag
// crosses what is open inside it; an optional one's end tag may be left out.
constexpr auto tag = [](std::string_view name, Reads r = Reads::Tags) { return TagInfo{name, r}; };
constexpr auto block = [](std::string_view name, Reads r = Reads::Tags) {
    return TagInfo{name, r, kP};
};
constexpr auto formatting = [](std::string_view name) {
    return TagInfo{name, Reads::Tags, 0, 0, Role::Formatting};
};
constexpr auto optional = [](std::string_view name, Groups group, Groups closes) {
    return TagInfo{name, Reads::Tags, closes, group};
};
constexpr auto rare = [](TagInfo info) {
    return TagInfo{info.name, info.reads, info.closes, info.group, Role::Rare};
};
constexpr Reads kVoid = Reads::Nothing;
constexpr Reads kText = Reads::Text;

// Every tag browsers know, current and obsolete, sorted by name.
// clang-format off
constexpr TagInfo kTags[] = {
    formatting("a"), tag("abbr"), tag("acronym"), block("address"), tag("applet"),
    tag("area", kVoid), block("article"), block("aside"), tag("audio"), formatting("b"),
    tag("base", kVoid), tag("basefont", kVoid), tag("bdi"), tag("bdo"), tag("bgsound", kVoid),
    formatting("big"), tag("blink"), block("blockquote"), optional("body", kOuter, kHead),
    tag("br", kVoid), tag("button"), tag("canvas"), optional("caption", kCaption, kTablePart),
    block("center"), tag("cite"), formatting("code"), rare(tag("col", kVoid)),
    optional("colgroup", kColgroup, kTablePart), tag("data"), tag("datalist"),
    optional("dd", kDtDd, kP | kDtDd), tag("del"), block("details"), tag("dfn"), block("dialog"),
    block("dir"), block("div"), block("dl"), optional("dt", kDtDd, kP | kDtDd), formatting("em"),
    tag("embed", kVoid), block("fieldset"), block("figcaption"), block("figure"),
    formatting("font"), block("footer"), block("form"), tag("frame", kVoid), tag("frameset"),
    block("h1"), block("h2"), block("h3"), block("h4"), block("h5"), block("h6"),
    optional("head", kHead, 0), block("header"), block("hgroup"), block("hr", kVoid),
    optional("html", kOuter, 0), formatting("i"), tag("iframe", kText),
    rare(tag("image", kVoid)), tag("img", kVoid), tag("input", kVoid), tag("ins"), tag("kbd"),
    rare(tag("keygen", kVoid)), tag("label"), tag("legend"), optional("li", kLi, kP | kLi),
    tag("link", kVoid), rare(block("listing")), block("main"), tag("map"), tag("mark"),
    tag("marquee"), tag("math", Reads::Foreign), block("menu"), rare(tag("menuitem")),
    tag("meta", kVoid), tag("meter"), rare(tag("multicol")), block("nav"), rare(tag("nextid")),
    formatting("nobr"), tag("noembed", kText), tag("noframes", kText), tag("noscript"),
    tag("object"), block("ol"), optional("optgroup", kOptgroup, kOption | kOptgroup),
    optional("option", kOption, kOption), tag("output"), optional("p", kP, kP),
    tag("param", kVoid), tag("picture"), rare(block("plaintext", Reads::AllText)), block("pre"),
    tag("progress"), tag("q"), rare(optional("rb", kRuby, kRuby | kRtc)),
    optional("rp", kRuby, kRuby), optional("rt", kRuby, kRuby),
    rare(optional("rtc", kRtc, kRuby | kRtc)), tag("ruby"), formatting("s"), tag("samp"),
    tag("script", kText), block("search"), block("section"), tag("select"), tag("slot"),
    formatting("small"), tag("source", kVoid), rare(tag("spacer")), tag("span"),
    formatting("strike"), formatting("strong"), tag("style", kText), tag("sub"),
    block("summary"), tag("sup"), tag("svg", Reads::Foreign), block("table"),
    optional("tbody", kSection, kTablePart), optional("td", kCell, kCell), tag("template"),
    tag("textarea", kText), optional("tfoot", kSection, kTablePart),
    optional("th", kCell, kCell), optional("thead", kSection, kTablePart), tag("time"),
    tag("title", kText), optional("tr", kRow, kRow | kCell), tag("track", kVoid),
    formatting("tt"), formatting("u"), block("ul"), tag("var"), tag("video"), tag("wbr", kVoid),
    rare(block("xmp", kText)),
};

// Inside SVG and MathML, these hold HTML again.
constexpr std::string_view kHtmlInside[] = {"desc", "foreignobject", "mi", "mn", "mo", "ms", "mtext", "title"};

// The words beginners reach for when they guess a tag's name, and the tag.
using Guess = std::pair<std::string_view, std::string_view>;
constexpr Guess kGuesses[] = {
    {"anchor", "a"}, {"bold", "b"}, {"break", "br"}, {"bullet", "li"}, {"centre", "center"},
    {"color", "font"}, {"colour", "font"}, {"email", "a"}, {"emphasis", "em"},
    {"heading", "h1"}, {"headline", "h1"}, {"hline", "hr"}, {"hyperlink", "a"}, {"italic", "i"},
    {"italics", "i"}, {"item", "li"}, {"line", "hr"}, {"linebreak", "br"}, {"list", "ul"},
    {"mail", "a"}, {"newline", "br"}, {"para", "p"}, {"paragraph", "p"}, {"photo", "img"},
    {"pic", "img"}, {"rule", "hr"}, {"ruler", "hr"}, {"strikethrough", "s"},
    {"underline", "u"}, {"underlined", "u"}, {"url", "a"},
};

// Attributes every tag takes, and those of the course's own tags: a name
// close to one of these but none of them is taken for a slip of the keys.
constexpr std::string_view kGlobalAttributes[] = {
    "accesskey", "autocapitalize", "autocorrect", "autofocus", "class", "contenteditable", "dir",
    "draggable", "enterkeyhint", "exportparts", "hidden", "id", "inert", "inputmode", "is",
    "itemid", "itemprop", "itemref", "itemscope", "itemtype", "lang", "nonce", "part", "popover",
    "role", "slot", "spellcheck", "style", "tabindex", "title", "translate", "writingsuggestions",
};
// Pages copied from the web carry RDFa's data in these: meant as written.
constexpr std::string_view kRdfaAttributes[] = {
    "about", "content", "datatype", "inlist", "prefix", "property", "resource", "typeof", "vocab",
};
constexpr std::string_view kLinkAttributes[] = {
    "charset", "coords", "download", "href", "hreflang", "media", "name", "ping",
    "referrerpolicy", "rel", "rev", "shape", "target", "type",
};
constexpr std::string_view kRuleAttributes[] = {"align", "color", "noshade", "size", "width"};
constexpr std::string_view kBreakAttributes[] = {"clear"};
constexpr std::string_view kParagraphAttributes[] = {"align"};
using CourseTag = std::pair<std::string_view, std::span<const std::string_view>>;
constexpr CourseTag kCourseTags[] = {
    {"a", kLinkAttributes}, {"b", {}}, {"br", kBreakAttributes}, {"hr", kRuleAttributes},
    {"i", {}}, {"p", kParagraphAttributes}, {"u", {}},
};

// Attributes whose value is an address: a web site there needs its scheme.
constexpr std::string_view kAddressAttributes[] = {"action", "background", "href", "src"};

// Endings that name a web site rather than a file ("page2.html" is a file).
// Those that are also common file endings (.py, .pl, .sh, .md) are left out.
constexpr std::string_view kTopLevelDomains[] = {
    "at", "au", "be", "biz", "br", "ca", "ch", "cn", "co", "com", "de", "dk", "edu", "es", "eu",
    "fi", "fr", "gov", "ie", "info", "int", "io", "it", "jp", "me", "mil", "mx", "net", "nl",
    "no", "nz", "org", "ru", "se", "tv", "uk", "us",
};
// clang-format on

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

bool endsName(char16_t c)
{
    return isSpace(c) || c == u'/' || c == u'>';
}

const TagInfo *lookUp(QStringView typed)
{
    const Lower lower(typed);
    const auto it = std::ranges::lower_bound(kTags, lower.view(), {}, &TagInfo::name);
    return it != std::end(kTags) && it->name == lower.view() ? &*it : nullptr;
}

// Optimal string alignment distance: a wrong key, a letter missing or extra,
// or two letters swapped each count one.
int slips(std::string_view a, std::string_view b)
{
    constexpr std::size_t kMax = 24;
    if (a.size() > kMax || b.size() > kMax)
        return int(kMax);
    std::array<std::array<int, kMax + 1>, kMax + 1> d{};
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = int(i);
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = int(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// Longer names can take one more slip before a suggestion turns into a guess.
int slipsAllowed(std::string_view name)
{
    return name.size() <= 4 ? 1 : 2;
}

// The attribute a name on one of the course's tags is one slip away from;
// empty when the name is right, or on no such tag, or like none.
std::string_view meantAttribute(std::string_view tag, std::string_view name)
{
    const auto course = std::ranges::find(kCourseTags, tag, &CourseTag::first);
    if (course == std::end(kCourseTags) || name.size() < 3 || name.starts_with("on") ||
        name.starts_with("data-") || name.starts_with("aria-") || name.find(':') != name.npos ||
        name == "xmlns" || contains(kGlobalAttributes, name) || contains(kRdfaAttributes, name) ||
        contains(course->second, name))
        return {};
    std::string_view meant;
    int fewest = slipsAllowed(name) + 1;
    for (const auto names : {course->second, std::span<const std::string_view>(kGlobalAttributes)})
        for (const std::string_view known : names)
            if (const int s = slips(name, known); s < fewest)
                std::tie(meant, fewest) = std::tuple(known, s);
    return meant;
}

// The tag a beginner meant by a name no browser knows, or empty.
std::string_view meantTag(std::string_view name)
{
    if (const auto guess = std::ranges::find(kGuesses, name, &Guess::first);
        guess != std::end(kGuesses))
        return guess->second;
    if (name.size() < 2)
        return {};
    // Fewest slips; between as many, one with the first letter right:
    // <tabel> is a <table> sooner than a <label>.
    std::string_view meant;
    int best = 2 * slipsAllowed(name) + 2;
    for (const TagInfo &known : kTags)
        if (const int s = 2 * slips(name, known.name) + (known.name[0] == name[0] ? 0 : 1);
            s < best && known.role != Role::Rare)
            std::tie(meant, best) = std::tuple(known.name, s);
    return meant;
}

// A name from a table, spelt as the learner spells: HERF gives HREF, herf
// gives href, Herf gives Href.
QString inLearnersCase(std::string_view known, QStringView typed)
{
    QString s = QString::fromLatin1(known.data(), qsizetype(known.size()));
    if (std::ranges::none_of(typed, [](QChar c) { return c.isLower(); }))
        return s.toUpper();
    if (typed.front().isUpper() && !s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

// A value that names a web site, "www.x.com" or "x.org/page", rather than
// a file, a place in the page or an address with its scheme.
bool looksLikeWebSite(QStringView value)
{
    value = value.trimmed();
    const auto inHost = [](QChar c) {
        return isAsciiLetter(c.unicode()) || isAsciiDigit(c.unicode()) || c == u'-' || c == u'.';
    };
    const QStringView host = value.first(std::ranges::find_if_not(value, inHost) - value.begin());
    const QStringView after = value.sliced(host.size());
    if (host.isEmpty() || !(after.isEmpty() || QStringView(u"/?#").contains(after.front())))
        return false;
    if (host.startsWith(u"www.", Qt::CaseInsensitive) && host.size() > 4)
        return true;
    const qsizetype dot = host.lastIndexOf(u'.');
    return dot > 0 && !host.contains(u"..") && !host.startsWith(u'.') &&
           contains(kTopLevelDomains, Lower(host.sliced(dot + 1)).view());
}

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
    const auto inName = [&](qsizetype i) { return i < n && !endsName(at(i)) && at(i) != u'<'; };
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
            (after.size() == name.size() || endsName(after[name.size()].unicode()))) {
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
    static std::size_t index(const TagInfo *info) { return std::size_t(info - kTags); }
    int &count(const Open &e)
    {
        return e.info ? m_known[index(e.info)] : m_unknown[e.name.toString().toLower()];
    }

    std::vector<Open> m_stack;
    std::array<int, std::size(kTags)> m_known{};
    std::array<Span, std::size(kTags)> m_endedBy{};
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

// A mistake as the rules note it: a kind and places, nothing to say yet.
struct Found {
    Mistake kind;
    Span at;        // where it is; the earliest is the learner's first
    Span about{};   // what it is about, marked too when it has a length
    Span context{}; // read for the sentence only
};

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
        e.htmlInside = contains(kHtmlInside, Lower(name).view());
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
        else if (!contains(kAddressAttributes, name.view()))
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

using Arguments = std::initializer_list<std::pair<const char *, QString>>;

// The kind's sentence, translated, with each {name} in it filled.
QString say(Mistake kind, bool knowsMore, Arguments arguments = {})
{
    const auto row = std::ranges::find_if(
        kWording, [&](const Wording &w) { return w.kind == kind && w.knowsMore == knowsMore; });
    const QString s = QCoreApplication::translate("quorvel::markup", row->text);
    QString said;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const qsizetype close = s[i] == u'{' ? s.indexOf(u'}', i) : -1;
        const auto it = std::ranges::find_if(arguments, [&](const auto &argument) {
            return close > i && s.sliced(i + 1, close - i - 1) == QLatin1StringView(argument.first);
        });
        said += it == arguments.end() ? QString(s[i]) : it->second;
        i = it == arguments.end() ? i : close;
    }
    return said;
}

// The name of the tag whose '<' is at `at`, as typed.
QStringView tagName(QStringView text, qsizetype at)
{
    qsizetype p = at + 1;
    while (p < text.size() && (text[p] == u'/' || isSpace(text[p].unicode())))
        ++p;
    qsizetype end = p;
    while (end < text.size() && !endsName(text[end].unicode()) && text[end] != u'<')
        ++end;
    return text.sliced(p, end - p);
}

// What a tag does, translated; empty for a tag kTagDoes does not name.
QString tagDoes(QStringView name)
{
    const std::string word = ' ' + std::string(Lower(name).view()) + ' ';
    for (const auto &[tags, does] : kTagDoes) {
        if (word.size() > 2 && (' ' + std::string(tags) + ' ').find(word) != std::string::npos)
            return QCoreApplication::translate("quorvel::markup", does);
    }
    return {};
}

// What the learner meant, as the sentence shows it; empty when not known.
QString meant(QStringView text, const Found &f)
{
    const QStringView here = text.sliced(f.at.start, f.at.length);
    const QStringView name = tagName(text, f.at.start);
    switch (f.kind) {
    case Mistake::UnknownElement: {
        const std::string_view tag = meantTag(Lower(name).view());
        return tag.empty() ? QString() : QStringLiteral("<%1>").arg(inLearnersCase(tag, name));
    }
    case Mistake::MisspeltAttribute: {
        const Lower tag(text.sliced(f.context.start, f.context.length));
        return inLearnersCase(meantAttribute(tag.view(), Lower(here).view()), here);
    }
    case Mistake::SpaceAfterLessThan: // without the spaces after its '<' or '</'
        return QStringLiteral("%1%2").arg(here.first(here.startsWith(u"</") ? 2 : 1),
                                          here.sliced(name.data() - here.data()));
    case Mistake::MissingOpeningQuote:
        return QStringLiteral("%1%2").arg(here.last(1), here);
    case Mistake::SchemeWithoutColon:
        return QStringLiteral("%1:%2").arg(here.first(here.indexOf(u'/')),
                                           here.sliced(here.indexOf(u'/')));
    default:
        return {};
    }
}

// Written only for the first mistake, so the guesses and look-ups a sentence
// needs cost nothing while the text is read.
QString sentence(QStringView text, const Found &f)
{
    const QStringView here = text.sliced(f.at.start, f.at.length);
    const QStringView context = text.sliced(f.context.start, f.context.length);
    const QStringView name = tagName(text, f.at.start);
    const QStringView about = tagName(text, f.about.start);
    const QString does = tagDoes(name);
    const QString learnerMeant = meant(text, f);
    bool knowsMore = false;
    if (f.kind == Mistake::UnclosedElement)
        knowsMore = !does.isEmpty();
    else if (f.kind == Mistake::StrayEndTag)
        knowsMore = f.about.length > 0;
    else if (f.kind == Mistake::UnterminatedQuote)
        knowsMore = contains(kAddressAttributes, Lower(context).view());
    else if (f.kind == Mistake::UnknownElement)
        knowsMore = !learnerMeant.isEmpty();
    const auto start = [](QStringView n) { return QStringLiteral("<%1>").arg(n); };
    const auto end = [](QStringView n) { return QStringLiteral("</%1>").arg(n); };
    const QStringView quote = f.kind == Mistake::MissingOpeningQuote ? here.last(1) : here.first(1);
    const QStringView scheme = here.first(std::max<qsizetype>(here.indexOf(u'/'), 0));
    return say(f.kind, knowsMore,
               {{"tag", start(f.kind == Mistake::MisspeltAttribute ? context : name)},
                {"endTag", end(name)},
                {"does", does},
                {"open", start(about)},
                {"openEnd", end(about)},
                {"meant", learnerMeant},
                {"typed", here.toString()},
                {"attribute", here.toString()},
                {"address", here.trimmed().toString()},
                {"scheme", scheme.toString()},
                {"quote", quote.toString()}});
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
