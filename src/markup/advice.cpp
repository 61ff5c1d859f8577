// SPDX-License-Identifier: GPL-3.0-or-later
#include "advice.h"

#include "tags.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
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
// clang-format on

// clang-format off
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

} // namespace

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

namespace {

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
    for (const TagInfo &known : knownTags())
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

} // namespace

bool isAddressAttribute(std::string_view name)
{
    return contains(kAddressAttributes, name);
}

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

namespace {

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
    while (end < text.size() && !endsTagName(text[end].unicode()) && text[end] != u'<')
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

} // namespace

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
        knowsMore = isAddressAttribute(Lower(context).view());
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

} // namespace quorvel::markup
