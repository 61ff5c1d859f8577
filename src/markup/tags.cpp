// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags.h"

namespace quorvel::markup {

namespace {

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
// clang-format on

} // namespace

std::span<const TagInfo> knownTags()
{
    return kTags;
}

const TagInfo *lookUp(QStringView typed)
{
    const Lower lower(typed);
    const auto it = std::ranges::lower_bound(kTags, lower.view(), {}, &TagInfo::name);
    return it != std::end(kTags) && it->name == lower.view() ? &*it : nullptr;
}

bool holdsHtml(QStringView name)
{
    return contains(kHtmlInside, Lower(name).view());
}

} // namespace quorvel::markup
