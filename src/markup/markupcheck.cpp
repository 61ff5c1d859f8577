// SPDX-License-Identifier: GPL-3.0-or-later
// The text is read with a browser tokenizer's rules for tags, attributes,
// quotes and comments, and the open tags are kept the way a browser's tree
// builder keeps them in the common cases, so that what is called a mistake
// here is something the browser stumbles over too. One pass: searches for a
// quote or a '>' remember where they got to, so a quote that never ends is
// read once, not once for every tag after it.
#include "markupcheck.h"

#include "lexical.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace quorvel::markup {

namespace {

// Every sentence the checker says, one row per kind, in the order of Mistake.
// A row's variant is said when the checker knows more: what the tag does
// (%3, from kTagDoes), which tag ended the one an end tag was for, that the
// value is a web address, or which tag the learner may have meant.
struct Wording {
    Mistake kind;
    const char *plain;
    const char *variant;
};

// clang-format off
constexpr Wording kWording[] = {
    {Mistake::UnclosedElement,
     QT_TRANSLATE_NOOP("quorvel::markup", "The %1 here never closes; add %2 where it should end."),
     QT_TRANSLATE_NOOP("quorvel::markup", "The %1 here never closes; add %2 where the %3 should end.")},
    {Mistake::MismatchedEndTag,
     QT_TRANSLATE_NOOP("quorvel::markup", "The %1 here closes %2 while %3 is still open; close it with %4 first."),
     nullptr},
    {Mistake::StrayEndTag,
     QT_TRANSLATE_NOOP("quorvel::markup", "There is no %1 open for this %2 to close."),
     QT_TRANSLATE_NOOP("quorvel::markup", "The %3 before it already ended your %1, so this %2 has nothing to close.")},
    {Mistake::EndTagOfVoidElement,
     QT_TRANSLATE_NOOP("quorvel::markup", "%1 stands alone and needs no %2."),
     nullptr},
    {Mistake::UnterminatedQuote,
     QT_TRANSLATE_NOOP("quorvel::markup", "The quote that starts this value never ends, so the browser reads the text after it as part of the value."),
     QT_TRANSLATE_NOOP("quorvel::markup", "The quote that starts this address never ends, so the browser reads the text after it as part of the address.")},
    {Mistake::StrayLessThan,
     QT_TRANSLATE_NOOP("quorvel::markup", "This < starts no tag; to show < itself, write &lt; instead."),
     nullptr},
    {Mistake::UnknownElement,
     QT_TRANSLATE_NOOP("quorvel::markup", "Browsers know no %1 tag, so it does nothing to your text."),
     QT_TRANSLATE_NOOP("quorvel::markup", "Browsers know no %1 tag; did you mean %2?")},
    {Mistake::MisspeltAttribute,
     QT_TRANSLATE_NOOP("quorvel::markup", "Browsers know no %1 in the %2 tag; did you mean %3?"),
     nullptr},
    {Mistake::UnterminatedComment,
     QT_TRANSLATE_NOOP("quorvel::markup", "This comment never ends, so the browser hides all the text after it; end it with -->."),
     nullptr},
    {Mistake::AddressWithoutScheme,
     QT_TRANSLATE_NOOP("quorvel::markup", "Without http:// in front, %1 points at a file next to your page, not at the web site; write http://%1."),
     nullptr},
    {Mistake::MailtoSpace,
     QT_TRANSLATE_NOOP("quorvel::markup", "The space after mailto: ends the address, so the mail link has no recipient; remove the space."),
     nullptr},
    {Mistake::UnfinishedTag,
     QT_TRANSLATE_NOOP("quorvel::markup", "The %1 here needs a > to end it."),
     nullptr},
};
// clang-format on

constexpr bool inOrder()
{
    for (std::size_t i = 0; i < std::size(kWording); ++i)
        if (kWording[i].kind != Mistake(i))
            return false;
    return true;
}
static_assert(inOrder() && std::size(kWording) == std::size_t(Mistake::UnfinishedTag) + 1);

// What a tag does to the text it holds: "add </B> where the bold text
// should end" tells a beginner more than "where it should end".
struct TagDoes {
    std::string_view tag;
    const char *does;
};

// clang-format off
constexpr TagDoes kTagDoes[] = {
    {"a", QT_TRANSLATE_NOOP("quorvel::markup", "link")},
    {"b", QT_TRANSLATE_NOOP("quorvel::markup", "bold text")},
    {"big", QT_TRANSLATE_NOOP("quorvel::markup", "big text")},
    {"blockquote", QT_TRANSLATE_NOOP("quorvel::markup", "quotation")},
    {"center", QT_TRANSLATE_NOOP("quorvel::markup", "centred text")},
    {"del", QT_TRANSLATE_NOOP("quorvel::markup", "crossed-out text")},
    {"em", QT_TRANSLATE_NOOP("quorvel::markup", "italic text")},
    {"font", QT_TRANSLATE_NOOP("quorvel::markup", "text in that font")},
    {"h1", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"h2", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"h3", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"h4", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"h5", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"h6", QT_TRANSLATE_NOOP("quorvel::markup", "heading")},
    {"i", QT_TRANSLATE_NOOP("quorvel::markup", "italic text")},
    {"ins", QT_TRANSLATE_NOOP("quorvel::markup", "underlined text")},
    {"mark", QT_TRANSLATE_NOOP("quorvel::markup", "highlighted text")},
    {"marquee", QT_TRANSLATE_NOOP("quorvel::markup", "moving text")},
    {"ol", QT_TRANSLATE_NOOP("quorvel::markup", "list")},
    {"q", QT_TRANSLATE_NOOP("quorvel::markup", "quotation")},
    {"s", QT_TRANSLATE_NOOP("quorvel::markup", "crossed-out text")},
    {"small", QT_TRANSLATE_NOOP("quorvel::markup", "small text")},
    {"strike", QT_TRANSLATE_NOOP("quorvel::markup", "crossed-out text")},
    {"strong", QT_TRANSLATE_NOOP("quorvel::markup", "bold text")},
    {"sub", QT_TRANSLATE_NOOP("quorvel::markup", "lowered text")},
    {"sup", QT_TRANSLATE_NOOP("quorvel::markup", "raised text")},
    {"table", QT_TRANSLATE_NOOP("quorvel::markup", "table")},
    {"tt", QT_TRANSLATE_NOOP("quorvel::markup", "typewriter text")},
    {"u", QT_TRANSLATE_NOOP("quorvel::markup", "underlined text")},
    {"ul", QT_TRANSLATE_NOOP("quorvel::markup", "list")},
};
// clang-format on

// The tags whose end tag may be left out, one bit each. A start tag ends the
// open elements its mask names, provided only such elements stand above them.
enum : std::uint32_t {
    kP = 1u << 0,
    kLi = 1u << 1,
    kDt = 1u << 2,
    kDd = 1u << 3,
    kOption = 1u << 4,
    kOptgroup = 1u << 5,
    kTr = 1u << 6,
    kTd = 1u << 7,
    kTh = 1u << 8,
    kThead = 1u << 9,
    kTbody = 1u << 10,
    kTfoot = 1u << 11,
    kColgroup = 1u << 12,
    kCaption = 1u << 13,
    kRt = 1u << 14,
    kRp = 1u << 15,
    kHtml = 1u << 16,
    kHead = 1u << 17,
    kBody = 1u << 18,
};
constexpr std::uint32_t kCell = kTd | kTh;
constexpr std::uint32_t kRow = kTr | kCell;
constexpr std::uint32_t kTablePart = kThead | kTbody | kTfoot | kCaption | kColgroup | kRow;
constexpr std::uint32_t kRuby = kRt | kRp;
constexpr std::uint32_t kList = kP | kDt | kDd;

enum : std::uint8_t {
    kVoid = 1,      // never opens: <BR>, <IMG>
    kRawText = 2,   // its content is text up to its own end tag
    kForeign = 4,   // SVG and MathML: <x/> closes, any name goes
    kPlaintext = 8, // everything after it is text
    kRare = 16,     // known, but never the tag a learner meant
};

struct TagInfo {
    std::string_view name;
    std::uint32_t self = 0;   // its bit, when its end tag may be left out
    std::uint32_t closes = 0; // what its start tag ends
    std::uint8_t flags = 0;
};

// Every tag browsers know, current and obsolete, sorted by name.
// clang-format off
constexpr TagInfo kTags[] = {
    {"a"}, {"abbr"}, {"acronym"}, {"address", 0, kP}, {"applet"}, {"area", 0, 0, kVoid},
    {"article", 0, kP}, {"aside", 0, kP}, {"audio"}, {"b"}, {"base", 0, 0, kVoid},
    {"basefont", 0, 0, kVoid}, {"bdi"}, {"bdo"}, {"bgsound", 0, 0, kVoid}, {"big"}, {"blink"},
    {"blockquote", 0, kP}, {"body", kBody, kHead}, {"br", 0, 0, kVoid}, {"button"}, {"canvas"},
    {"caption", kCaption, kTablePart}, {"center", 0, kP}, {"cite"}, {"code"},
    {"col", 0, 0, kVoid | kRare}, {"colgroup", kColgroup, kTablePart}, {"data"}, {"datalist"},
    {"dd", kDd, kList}, {"del"}, {"details", 0, kP}, {"dfn"}, {"dialog", 0, kP}, {"dir", 0, kP},
    {"div", 0, kP}, {"dl", 0, kP}, {"dt", kDt, kList}, {"em"}, {"embed", 0, 0, kVoid},
    {"fieldset", 0, kP}, {"figcaption", 0, kP}, {"figure", 0, kP}, {"font"}, {"footer", 0, kP},
    {"form", 0, kP}, {"frame", 0, 0, kVoid}, {"frameset"}, {"h1", 0, kP}, {"h2", 0, kP},
    {"h3", 0, kP}, {"h4", 0, kP}, {"h5", 0, kP}, {"h6", 0, kP}, {"head", kHead},
    {"header", 0, kP}, {"hgroup", 0, kP}, {"hr", 0, kP, kVoid}, {"html", kHtml}, {"i"},
    {"iframe", 0, 0, kRawText}, {"image", 0, 0, kVoid | kRare}, {"img", 0, 0, kVoid},
    {"input", 0, 0, kVoid}, {"ins"}, {"kbd"}, {"keygen", 0, 0, kVoid | kRare}, {"label"},
    {"legend"}, {"li", kLi, kP | kLi}, {"link", 0, 0, kVoid}, {"listing", 0, kP, kRare},
    {"main", 0, kP}, {"map"}, {"mark"}, {"marquee"}, {"math", 0, 0, kForeign}, {"menu", 0, kP},
    {"menuitem", 0, 0, kRare}, {"meta", 0, 0, kVoid}, {"meter"}, {"multicol", 0, 0, kRare},
    {"nav", 0, kP}, {"nextid", 0, 0, kRare}, {"nobr"}, {"noembed", 0, 0, kRawText},
    {"noframes", 0, 0, kRawText}, {"noscript"}, {"object"}, {"ol", 0, kP},
    {"optgroup", kOptgroup, kOption | kOptgroup}, {"option", kOption, kOption}, {"output"},
    {"p", kP, kP}, {"param", 0, 0, kVoid}, {"picture"}, {"plaintext", 0, kP, kPlaintext | kRare},
    {"pre", 0, kP}, {"progress"}, {"q"}, {"rb", 0, 0, kRare}, {"rp", kRp, kRuby},
    {"rt", kRt, kRuby}, {"rtc", 0, 0, kRare}, {"ruby"}, {"s"}, {"samp"},
    {"script", 0, 0, kRawText}, {"search", 0, kP}, {"section", 0, kP}, {"select"}, {"slot"},
    {"small"}, {"source", 0, 0, kVoid}, {"spacer", 0, 0, kRare}, {"span"}, {"strike"},
    {"strong"}, {"style", 0, 0, kRawText}, {"sub"}, {"summary", 0, kP}, {"sup"},
    {"svg", 0, 0, kForeign}, {"table", 0, kP}, {"tbody", kTbody, kTablePart},
    {"td", kTd, kCell}, {"template"}, {"textarea", 0, 0, kRawText},
    {"tfoot", kTfoot, kTablePart}, {"th", kTh, kCell}, {"thead", kThead, kTablePart}, {"time"},
    {"title", 0, 0, kRawText}, {"tr", kTr, kRow}, {"track", 0, 0, kVoid}, {"tt"}, {"u"},
    {"ul", 0, kP}, {"var"}, {"video"}, {"wbr", 0, 0, kVoid}, {"xmp", 0, kP, kRawText | kRare},
};
// clang-format on
static_assert(std::ranges::is_sorted(kTags, {}, &TagInfo::name));
constexpr int kTagCount = int(std::size(kTags));

// The words beginners reach for when they guess a tag's name.
struct Guess {
    std::string_view word;
    std::string_view tag;
};

// clang-format off
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
constexpr std::string_view kLinkAttributes[] = {
    "charset", "coords", "download", "href", "hreflang", "media", "name", "ping",
    "referrerpolicy", "rel", "rev", "shape", "target", "type",
};
// clang-format on
constexpr std::string_view kRuleAttributes[] = {"align", "color", "noshade", "size", "width"};
constexpr std::string_view kBreakAttributes[] = {"clear"};
constexpr std::string_view kParagraphAttributes[] = {"align"};

struct CourseTag {
    std::string_view tag;
    std::span<const std::string_view> attributes;
};

constexpr CourseTag kCourseTags[] = {
    {"a", kLinkAttributes},
    {"b", {}},
    {"br", kBreakAttributes},
    {"hr", kRuleAttributes},
    {"i", {}},
    {"p", kParagraphAttributes},
    {"u", {}},
};

// Attributes whose value is an address: a web site there needs its scheme.
constexpr std::string_view kAddressAttributes[] = {"action", "background", "href", "src"};

// Endings that name a web site rather than a file ("page2.html" is a file).
// Those that are also common file endings (.py, .pl, .sh, .md) are left out.
constexpr std::string_view kTopLevelDomains[] = {
    "at", "au",  "be", "biz", "br",  "ca",  "ch",   "cn",  "co", "com", "de", "dk", "edu",
    "es", "eu",  "fi", "fr",  "gov", "ie",  "info", "int", "io", "it",  "jp", "me", "mil",
    "mx", "net", "nl", "no",  "nz",  "org", "ru",   "se",  "tv", "uk",  "us",
};

// A name as the tables spell it: lower case, short, ASCII. Anything else is
// in no table, and empty here.
class Lower {
public:
    explicit Lower(QStringView s)
    {
        if (s.size() > qsizetype(m_buf.size()))
            return;
        for (const QChar c : s) {
            const char16_t u = c.unicode();
            if (u >= 0x80 || u == 0) {
                m_size = 0;
                return;
            }
            m_buf[m_size++] = char(u >= u'A' && u <= u'Z' ? u + 32 : u);
        }
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

// A name from a table, spelt as the learner spells: HERF gives HREF, herf
// gives href, Herf gives Href.
QString inLearnersCase(std::string_view known, QStringView typed)
{
    QString s = QString::fromLatin1(known.data(), qsizetype(known.size()));
    const bool upper = std::ranges::any_of(typed, [](QChar c) { return c.isUpper(); });
    const bool lower = std::ranges::any_of(typed, [](QChar c) { return c.isLower(); });
    if (upper && !lower)
        return s.toUpper();
    if (!typed.isEmpty() && typed.front().isUpper() && !s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

const TagInfo *lookUp(std::string_view name)
{
    const auto it = std::ranges::lower_bound(kTags, name, {}, &TagInfo::name);
    return it != std::end(kTags) && it->name == name ? &*it : nullptr;
}

// A value that names a web site, "www.x.com" or "x.org/page", rather than
// a file, a place in the page or an address with its scheme.
bool looksLikeWebSite(QStringView value)
{
    value = value.trimmed();
    qsizetype end = 0;
    while (end < value.size() && value[end] != u'/' && value[end] != u'?' && value[end] != u'#')
        ++end;
    const QStringView host = value.first(end);
    if (host.isEmpty())
        return false;
    for (const QChar c : host) {
        const char16_t u = c.unicode();
        if (!isAsciiLetter(u) && !(u >= u'0' && u <= u'9') && u != u'-' && u != u'.')
            return false;
    }
    if (host.startsWith(u"www.", Qt::CaseInsensitive) && host.size() > 4)
        return true;
    const qsizetype dot = host.lastIndexOf(u'.');
    if (dot <= 0 || host.contains(u"..") || host.startsWith(u'.'))
        return false;
    const Lower ending(host.sliced(dot + 1));
    return contains(kTopLevelDomains, ending.view());
}

QString joined(std::initializer_list<QStringView> parts)
{
    QString s;
    for (const QStringView part : parts)
        s.append(part);
    return s;
}

QString say(Mistake kind, bool variant = false)
{
    const Wording &w = kWording[std::size_t(kind)];
    return QCoreApplication::translate("quorvel::markup",
                                       variant && w.variant ? w.variant : w.plain);
}

// A tag as it was read.
struct TagRead {
    qsizetype start = 0; // its '<'
    qsizetype end = 0;   // just after its '>', or where it was cut short
    qsizetype name = 0;
    qsizetype nameEnd = 0;
    bool isEnd = false;
    bool selfClosing = false;
    const TagInfo *info = nullptr;
};

// An open element.
struct Open {
    qsizetype start = 0; // its start tag
    qsizetype length = 0;
    qsizetype name = 0; // as typed
    qsizetype nameLength = 0;
    int key = 0; // its index in kTags, or kTagCount + the number of its unknown name
    // The bits of the elements that may stay open, from the last one that may
    // not up to this one; 0 for one that may not.
    std::uint32_t run = 0;
};

// Where a search for one character got to: there is none of it in
// [from, at), nor after from when at is -1.
struct Memo {
    bool searched = false;
    qsizetype from = 0;
    qsizetype at = -1;
};

class Checker {
public:
    explicit Checker(QStringView text)
        : m_text(text)
    {
    }

    std::optional<Finding> run();

private:
    char16_t at(qsizetype i) const { return i < m_text.size() ? m_text[i].unicode() : 0; }
    QStringView slice(qsizetype from, qsizetype to) const { return m_text.sliced(from, to - from); }
    qsizetype find(char16_t c, qsizetype from, Memo &memo) const;

    bool wanted(qsizetype start) const { return !m_best || start < m_best->spans.front().start; }
    void report(Mistake kind, std::vector<Span> spans, QString sentence);

    void tag(qsizetype lt, bool isEnd);
    bool readTag(TagRead &tag);
    void cutShort(TagRead &tag, qsizetype at);
    void attribute(const TagRead &tag, qsizetype name, qsizetype nameEnd, qsizetype value,
                   qsizetype valueEnd, bool unquoted);
    void attributeName(const TagRead &tag, std::string_view lower, QStringView typed, qsizetype at);
    void unterminatedQuote(QStringView attributeName, qsizetype quote, qsizetype gt);
    void comment(qsizetype lt);
    void startTag(const TagRead &tag);
    void endTag(const TagRead &tag);
    void rawText(const TagRead &tag);
    void unknownElement(const TagRead &tag);

    int keyOf(QStringView name, const TagInfo *info, bool create);
    void push(const TagRead &tag, int key);
    void pop();
    void closeImplied(const TagRead &tag);
    void unclosed(const Open &open);

    QString startTagText(const Open &e) const
    {
        return joined({u"<", m_text.sliced(e.name, e.nameLength), u">"});
    }
    QString endTagText(const Open &e) const
    {
        return joined({u"</", m_text.sliced(e.name, e.nameLength), u">"});
    }

    QStringView m_text;
    qsizetype m_pos = 0;
    std::optional<Finding> m_best;
    // The text ended inside a comment, a quote, a tag or raw text: end tags
    // may be in there, so what is still open is not blamed.
    bool m_swallowed = false;
    std::vector<Open> m_open;
    std::vector<int> m_counts = std::vector<int>(kTagCount); // open elements by key
    QHash<QString, int> m_unknownNames;                      // lower case, to key
    // The start tag that last ended an element of each known tag (<P>
    // ended by <HR>), until one is opened again; a length of 0 when none.
    std::vector<Open> m_endedBy = std::vector<Open>(kTagCount);
    int m_mustClose = 0; // open elements with run 0
    int m_foreign = 0;   // open <svg> and <math>
    Memo m_gt, m_doubleQuote, m_singleQuote;
};

qsizetype Checker::find(char16_t c, qsizetype from, Memo &memo) const
{
    if (memo.searched && from >= memo.from && (memo.at < 0 || memo.at >= from))
        return memo.at;
    if (memo.searched && from < memo.from) {
        // Only the stretch before the last search is new.
        const qsizetype k = m_text.first(memo.from).indexOf(QChar(c), from);
        memo.from = from;
        if (k >= 0)
            memo.at = k;
        return memo.at;
    }
    memo = {true, from, m_text.indexOf(QChar(c), from)};
    return memo.at;
}

void Checker::report(Mistake kind, std::vector<Span> spans, QString sentence)
{
    if (wanted(spans.front().start))
        m_best = Finding{kind, std::move(spans), std::move(sentence)};
}

std::optional<Finding> Checker::run()
{
    const qsizetype n = m_text.size();
    while (m_pos < n) {
        // Found something, and nothing open before it that could turn out
        // never to close: nothing after can come first.
        if (m_best && m_mustClose == 0)
            return std::move(m_best);
        const qsizetype lt = m_text.indexOf(u'<', m_pos);
        if (lt < 0)
            break;
        const char16_t c1 = at(lt + 1);
        const char16_t c2 = at(lt + 2);
        if (isAsciiLetter(c1)) {
            tag(lt, false);
        } else if (c1 == u'/' && isAsciiLetter(c2)) {
            tag(lt, true);
        } else if (c1 == u'!' && c2 == u'-' && at(lt + 3) == u'-') {
            comment(lt);
        } else if (c1 == u'/' && c2 == u'>') {
            m_pos = lt + 3; // browsers drop "</>"
        } else if (c1 == u'!' || c1 == u'?' || (c1 == u'/' && lt + 2 < n)) {
            // <!DOCTYPE ...>, <?xml ...?>, </ b>: hidden up to the next '>'.
            const qsizetype gt = find(u'>', lt + 2, m_gt);
            m_swallowed = gt < 0;
            m_pos = gt < 0 ? n : gt + 1;
        } else {
            if (wanted(lt))
                report(Mistake::StrayLessThan, {{lt, 1}}, say(Mistake::StrayLessThan));
            m_pos = lt + 1;
        }
    }
    if (!m_swallowed) {
        const auto first = std::ranges::find(m_open, 0u, &Open::run);
        if (first != m_open.end() && wanted(first->start))
            unclosed(*first);
    }
    return std::move(m_best);
}

void Checker::comment(qsizetype lt)
{
    // "<!-->" and "<!--->" end at once; otherwise "-->" or "--!>" ends it.
    qsizetype p = lt + 4;
    if (at(p) == u'>' || (at(p) == u'-' && at(p + 1) == u'>')) {
        m_pos = p + (at(p) == u'>' ? 1 : 2);
        return;
    }
    for (;;) {
        const qsizetype dashes = m_text.indexOf(u"--", p);
        if (dashes < 0)
            break;
        if (at(dashes + 2) == u'>' || (at(dashes + 2) == u'!' && at(dashes + 3) == u'>')) {
            m_pos = dashes + (at(dashes + 2) == u'>' ? 3 : 4);
            return;
        }
        p = dashes + 1;
    }
    report(Mistake::UnterminatedComment, {{lt, 4}}, say(Mistake::UnterminatedComment));
    m_swallowed = true;
    m_pos = m_text.size();
}

void Checker::tag(qsizetype lt, bool isEnd)
{
    TagRead tag;
    tag.start = lt;
    tag.isEnd = isEnd;
    tag.name = lt + (isEnd ? 2 : 1);
    if (!readTag(tag))
        return;
    m_pos = tag.end;
    if (isEnd)
        endTag(tag);
    else
        startTag(tag);
}

// A '<' inside a tag: the learner left out the '>' before it. The tag is
// taken to end there, as the learner meant, and reading goes on at the '<'.
void Checker::cutShort(TagRead &tag, qsizetype at)
{
    if (wanted(tag.start)) {
        report(Mistake::UnfinishedTag, {{tag.start, tag.nameEnd - tag.start}},
               say(Mistake::UnfinishedTag).arg(slice(tag.start, tag.nameEnd)));
    }
    tag.end = at;
}

bool Checker::readTag(TagRead &tag)
{
    const qsizetype n = m_text.size();
    qsizetype p = tag.name;
    while (p < n && !isSpace(at(p)) && at(p) != u'/' && at(p) != u'>' && at(p) != u'<')
        ++p;
    tag.nameEnd = p;
    tag.info = lookUp(Lower(slice(tag.name, tag.nameEnd)).view());
    for (;;) {
        while (p < n && isSpace(at(p)))
            ++p;
        if (p >= n)
            break;
        const char16_t c = at(p);
        if (c == u'>') {
            tag.end = p + 1;
            return true;
        }
        if (c == u'<') {
            cutShort(tag, p);
            return true;
        }
        if (c == u'/') {
            if (at(p + 1) == u'>') {
                tag.selfClosing = true;
                tag.end = p + 2;
                return true;
            }
            ++p;
            continue;
        }
        const qsizetype name = p++; // a first '=' belongs to the name
        while (p < n && !isSpace(at(p)) && at(p) != u'/' && at(p) != u'>' && at(p) != u'=' &&
               at(p) != u'<')
            ++p;
        const qsizetype nameEnd = p;
        if (at(p) == u'<') {
            cutShort(tag, p);
            return true;
        }
        while (p < n && isSpace(at(p)))
            ++p;
        if (at(p) != u'=') {
            attribute(tag, name, nameEnd, -1, -1, false);
            continue;
        }
        ++p;
        while (p < n && isSpace(at(p)))
            ++p;
        if (p >= n)
            break;
        const char16_t v = at(p);
        if (v == u'"' || v == u'\'') {
            const qsizetype close = find(v, p + 1, v == u'"' ? m_doubleQuote : m_singleQuote);
            const qsizetype gt = find(u'>', p + 1, m_gt);
            if (close >= 0 && (gt < 0 || gt > close)) {
                attribute(tag, name, nameEnd, p + 1, close, false);
                p = close + 1;
                continue;
            }
            // A quoted value may hold a '>' or run on for ever; from a
            // beginner, either is a closing quote forgotten. The tag is taken
            // to end at the first '>', as the learner meant.
            unterminatedQuote(slice(name, nameEnd), p, gt);
            if (gt < 0) {
                m_swallowed = true;
                m_pos = n;
                return false;
            }
            tag.end = gt + 1;
            return true;
        }
        if (v == u'>')
            continue; // a name and '=' with no value
        const qsizetype value = p;
        while (p < n && !isSpace(at(p)) && at(p) != u'>' && at(p) != u'<')
            ++p;
        if (at(p) == u'<') {
            cutShort(tag, p);
            return true;
        }
        attribute(tag, name, nameEnd, value, p, true);
    }
    // The text ends inside the tag: browsers drop it, and everything in it.
    if (wanted(tag.start)) {
        report(Mistake::UnfinishedTag, {{tag.start, tag.nameEnd - tag.start}},
               say(Mistake::UnfinishedTag).arg(slice(tag.start, tag.nameEnd)));
    }
    m_swallowed = true;
    m_pos = n;
    return false;
}

void Checker::unterminatedQuote(QStringView attributeName, qsizetype quote, qsizetype gt)
{
    if (!wanted(quote))
        return;
    // What the learner sees as the value: up to the '>' or the line's end.
    const qsizetype limit = gt >= 0 ? gt : m_text.size();
    qsizetype end = quote + 1;
    while (end < limit && !isSpace(at(end)))
        ++end;
    const bool address = contains(kAddressAttributes, Lower(attributeName).view());
    report(Mistake::UnterminatedQuote, {{quote, end - quote}},
           say(Mistake::UnterminatedQuote, address));
}

void Checker::attribute(const TagRead &tag, qsizetype name, qsizetype nameEnd, qsizetype value,
                        qsizetype valueEnd, bool unquoted)
{
    if (tag.isEnd || !tag.info || m_foreign > 0)
        return;
    const QStringView typed = slice(name, nameEnd);
    const Lower lower(typed);
    attributeName(tag, lower.view(), typed, name);
    if (value < 0 || !contains(kAddressAttributes, lower.view()))
        return;
    const QStringView v = slice(value, valueEnd);
    if (lower.view() == "href" && unquoted && v.compare(u"mailto:", Qt::CaseInsensitive) == 0 &&
        isSpace(at(valueEnd))) {
        if (wanted(value))
            report(Mistake::MailtoSpace, {{value, valueEnd - value + 1}},
                   say(Mistake::MailtoSpace));
    } else if (wanted(value) && looksLikeWebSite(v)) {
        report(Mistake::AddressWithoutScheme, {{value, valueEnd - value}},
               say(Mistake::AddressWithoutScheme).arg(v.trimmed()));
    }
}

// A name the course's tags do not take, but one slip away from one they do.
void Checker::attributeName(const TagRead &tag, std::string_view lower, QStringView typed,
                            qsizetype at)
{
    const auto course = std::ranges::find(kCourseTags, tag.info->name, &CourseTag::tag);
    if (course == std::end(kCourseTags) || lower.size() < 3 || !wanted(at))
        return;
    if (lower.starts_with("on") || lower.starts_with("data-") || lower.starts_with("aria-") ||
        lower.find(':') != std::string_view::npos || lower == "xmlns" ||
        contains(kGlobalAttributes, lower) || contains(course->attributes, lower))
        return;
    std::string_view best;
    int bestSlips = slipsAllowed(lower) + 1;
    for (const auto names :
         {course->attributes, std::span<const std::string_view>(kGlobalAttributes)}) {
        for (const std::string_view known : names) {
            const int s = slips(lower, known);
            if (s < bestSlips) {
                best = known;
                bestSlips = s;
            }
        }
    }
    if (best.empty())
        return;
    const QString tagText = joined({u"<", slice(tag.name, tag.nameEnd), u">"});
    report(Mistake::MisspeltAttribute, {{at, typed.size()}},
           say(Mistake::MisspeltAttribute).arg(typed, tagText, inLearnersCase(best, typed)));
}

void Checker::unknownElement(const TagRead &tag)
{
    const QStringView typed = slice(tag.name, tag.nameEnd);
    const Lower typedLower(typed);
    const std::string_view lower = typedLower.view();
    std::string_view meant;
    if (const auto guess = std::ranges::find(kGuesses, lower, &Guess::word);
        guess != std::end(kGuesses)) {
        meant = guess->tag;
    } else if (lower.size() >= 2) {
        // Fewest slips; between as many, one with the first letter right:
        // <tabel> is a <table> sooner than a <label>.
        int best = 2 * slipsAllowed(lower) + 2;
        for (const TagInfo &known : kTags) {
            if (known.flags & kRare)
                continue;
            const int score = 2 * slips(lower, known.name) + (known.name[0] == lower[0] ? 0 : 1);
            if (score < best) {
                meant = known.name;
                best = score;
            }
        }
    }
    const QString typedTag = joined({u"<", typed, u">"});
    std::vector<Span> spans{{tag.start, tag.end - tag.start}};
    if (meant.empty()) {
        report(Mistake::UnknownElement, std::move(spans),
               say(Mistake::UnknownElement).arg(typedTag));
    } else {
        report(Mistake::UnknownElement, std::move(spans),
               say(Mistake::UnknownElement, true)
                   .arg(typedTag, joined({u"<", inLearnersCase(meant, typed), u">"})));
    }
}

int Checker::keyOf(QStringView name, const TagInfo *info, bool create)
{
    if (info)
        return int(info - kTags);
    const QString lower = name.toString().toLower();
    if (const auto it = m_unknownNames.constFind(lower); it != m_unknownNames.cend())
        return it.value();
    if (!create)
        return -1;
    const int key = kTagCount + int(m_unknownNames.size());
    m_unknownNames.insert(lower, key);
    m_counts.push_back(0);
    return key;
}

void Checker::push(const TagRead &tag, int key)
{
    const std::uint32_t self = key < kTagCount ? kTags[key].self : 0;
    const std::uint32_t below = m_open.empty() ? 0 : m_open.back().run;
    m_open.push_back({tag.start, tag.end - tag.start, tag.name, tag.nameEnd - tag.name, key,
                      self ? below | self : 0});
    ++m_counts[std::size_t(key)];
    if (key < kTagCount)
        m_endedBy[std::size_t(key)] = {};
    if (!self)
        ++m_mustClose;
    if (tag.info && (tag.info->flags & kForeign))
        ++m_foreign;
}

void Checker::pop()
{
    const Open &e = m_open.back();
    --m_counts[std::size_t(e.key)];
    if (!e.run)
        --m_mustClose;
    if (e.key < kTagCount && (kTags[e.key].flags & kForeign))
        --m_foreign;
    m_open.pop_back();
}

// A <P> ends an open <P>, an <LI> an open <LI>, a <TR> an open row and its
// cell: pops down to the lowest element the mask names, when only elements
// that may stay open stand above it.
void Checker::closeImplied(const TagRead &tag)
{
    const std::uint32_t mask = tag.info->closes;
    if (m_open.empty() || !(m_open.back().run & mask))
        return;
    const Open closer{tag.start, tag.end - tag.start, tag.name, tag.nameEnd - tag.name};
    for (;;) {
        const int key = m_open.back().key;
        const std::uint32_t self = kTags[key].self;
        m_endedBy[std::size_t(key)] = closer;
        pop();
        if ((self & mask) && (m_open.empty() || !(m_open.back().run & mask)))
            return;
    }
}

void Checker::startTag(const TagRead &tag)
{
    const bool foreign = m_foreign > 0;
    const QStringView name = slice(tag.name, tag.nameEnd);
    if (!foreign && !tag.info && !name.contains(u'-') && wanted(tag.start))
        unknownElement(tag);
    if (foreign) {
        if (tag.selfClosing)
            return;
    } else if (tag.info) {
        closeImplied(tag);
        if (tag.info->flags & kVoid)
            return;
        if ((tag.info->flags & kForeign) && tag.selfClosing)
            return;
    }
    push(tag, keyOf(name, tag.info, true));
    if (foreign || !tag.info)
        return;
    if (tag.info->flags & kRawText) {
        rawText(tag);
    } else if (tag.info->flags & kPlaintext) {
        m_swallowed = true;
        m_pos = m_text.size();
    }
}

// <SCRIPT>, <STYLE>, <TITLE>, <TEXTAREA>: no tags inside, only text up to
// their own end tag.
void Checker::rawText(const TagRead &tag)
{
    const QStringView name = slice(tag.name, tag.nameEnd);
    for (qsizetype p = tag.end;;) {
        const qsizetype k = m_text.indexOf(u"</", p);
        if (k < 0 || k + 2 + name.size() > m_text.size())
            break;
        const qsizetype after = k + 2 + name.size();
        const char16_t c = at(after);
        if (m_text.sliced(k + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0 &&
            (after == m_text.size() || isSpace(c) || c == u'/' || c == u'>')) {
            m_pos = k;
            return;
        }
        p = k + 1;
    }
    unclosed(m_open.back());
    m_swallowed = true;
    m_pos = m_text.size();
}

void Checker::endTag(const TagRead &tag)
{
    const QStringView name = slice(tag.name, tag.nameEnd);
    const Span here{tag.start, tag.end - tag.start};
    const QString typedEnd = joined({u"</", name, u">"});
    if (m_foreign == 0 && tag.info && (tag.info->flags & kVoid)) {
        if (wanted(tag.start)) {
            report(Mistake::EndTagOfVoidElement, {here},
                   say(Mistake::EndTagOfVoidElement).arg(joined({u"<", name, u">"}), typedEnd));
        }
        return;
    }
    const int key = keyOf(name, tag.info, false);
    if (key < 0 || m_counts[std::size_t(key)] == 0) {
        // Browsers open <HTML>, <HEAD> and <BODY> whether written or not.
        if (tag.info && (tag.info->self & (kHtml | kHead | kBody)))
            return;
        if (wanted(tag.start)) {
            const QString typedStart = joined({u"<", name, u">"});
            const Open *endedBy = key >= 0 && m_endedBy[std::size_t(key)].length > 0
                                      ? &m_endedBy[std::size_t(key)]
                                      : nullptr;
            if (!endedBy) {
                report(Mistake::StrayEndTag, {here},
                       say(Mistake::StrayEndTag).arg(typedStart, typedEnd));
            } else {
                report(Mistake::StrayEndTag, {here, {endedBy->start, endedBy->length}},
                       say(Mistake::StrayEndTag, true)
                           .arg(typedStart, typedEnd, startTagText(*endedBy)));
            }
        }
        return;
    }
    auto match = m_open.end() - 1;
    auto blocking = m_open.end();
    for (; match->key != key; --match) {
        if (!match->run && blocking == m_open.end())
            blocking = match;
    }
    if (blocking != m_open.end() && wanted(tag.start)) {
        report(Mistake::MismatchedEndTag, {here, {blocking->start, blocking->length}},
               say(Mistake::MismatchedEndTag)
                   .arg(typedEnd, startTagText(*match), startTagText(*blocking),
                        endTagText(*blocking)));
    }
    const auto depth = match - m_open.begin();
    while (qsizetype(m_open.size()) > depth)
        pop();
}

void Checker::unclosed(const Open &e)
{
    const Lower lower(m_text.sliced(e.name, e.nameLength));
    const auto does = std::ranges::find(kTagDoes, lower.view(), &TagDoes::tag);
    QString sentence;
    if (does == std::end(kTagDoes)) {
        sentence = say(Mistake::UnclosedElement).arg(startTagText(e), endTagText(e));
    } else {
        sentence = say(Mistake::UnclosedElement, true)
                       .arg(startTagText(e), endTagText(e),
                            QCoreApplication::translate("quorvel::markup", does->does));
    }
    report(Mistake::UnclosedElement, {{e.start, e.length}}, std::move(sentence));
}

} // namespace

std::optional<Finding> firstMistake(QStringView text)
{
    if (text.size() > kMaxCheckedChars)
        return std::nullopt;
    return Checker(text).run();
}

} // namespace quorvel::markup
