// SPDX-License-Identifier: GPL-3.0-or-later
// Changing the document on view in place, where nothing on it runs. The new
// page is parsed by the engine's own parser, inert (DOMParser: nothing in
// its document runs or loads), and the document on view changes only the
// nodes that differ, so that it ends equal to what a fresh load of the page
// gives. Whether a page may be changed so is decided from what the parser
// made of it, never from its text.

const kSvg = 'http://www.w3.org/2000/svg';

// Elements that need a new document: they run, load or navigate, or a
// document of DOMParser's holds them differently from a loaded one (it runs
// no scripts, so <noscript> holds markup; it makes no shadow roots from
// <template>). SVG's animations run on a clock of their own.
const kNewDocumentElements = [
    'script', 'noscript', 'template', 'iframe', 'frame', 'frameset', 'object', 'embed',
    'applet', 'meta', 'base', 'link', 'portal', 'fencedframe',
    'animate', 'set', 'animateMotion', 'animateTransform', 'animateColor', 'discard',
].join(',');

// Attributes that load something (or move the focus) as their element
// arrives; any attribute whose name starts with "on" is a script.
const kNewDocumentAttributes = new Set([
    'src', 'srcset', 'imagesrcset', 'poster', 'background', 'data', 'codebase', 'archive',
    'lowsrc', 'dynsrc', 'manifest', 'autofocus',
]);

// An address that runs a script, as the URL parser reads it (tabs and line
// breaks anywhere, spaces and controls before it, do not count).
function runsAsAddress(value) {
    return /^(java|vb|live)script:/i.test(
        value.replace(/[\t\n\r]/g, '').replace(/^[\u0000-\u0020]+/, ''));
}

// Style that may load something: an address, an image, an import, or an
// escape that could spell one.
function styleLoads(css) {
    return /url|image|@import|\\/i.test(css);
}

// Whether anything in a parsed document runs, loads or navigates by itself.
function actsByItself(doc) {
    if (doc.querySelector(kNewDocumentElements))
        return true;
    for (const element of doc.getElementsByTagName('*')) {
        if (element.localName === 'style' && styleLoads(element.textContent))
            return true;
        // SVG's references (<use>, <image>, gradients, filters) load what
        // they name; only its links wait for a click.
        if (element.namespaceURI === kSvg && element.localName !== 'a'
            && (element.hasAttribute('href') || element.hasAttribute('xlink:href')))
            return true;
        for (const attribute of element.attributes) {
            const name = attribute.localName.toLowerCase();
            if (name.startsWith('on') || kNewDocumentAttributes.has(name)
                || runsAsAddress(attribute.value)
                || (name === 'style' && styleLoads(attribute.value)))
                return true;
        }
    }
    return false;
}

// Whether two nodes serialise alike. isEqualNode does not look at the order
// of attributes; markup does.
function sameAttributeOrder(a, b) {
    for (let i = 0; i < a.attributes.length; ++i) {
        if (a.attributes[i].name !== b.attributes[i].name)
            return false;
    }
    return true;
}

function same(a, b) {
    if (!a.isEqualNode(b))
        return false;
    if (a.nodeType !== Node.ELEMENT_NODE)
        return true;
    if (!sameAttributeOrder(a, b))
        return false;
    const inA = a.getElementsByTagName('*');
    const inB = b.getElementsByTagName('*');
    for (let i = 0; i < inA.length; ++i) {
        if (inA[i].attributes.length > 1 && !sameAttributeOrder(inA[i], inB[i]))
            return false;
    }
    return true;
}

// Whether `doc` can be reached from the document on view by changing nodes:
// the same doctype and mode (which only a new document sets) and the same
// head (its title, styles and the rest are read as the document loads). A
// document the parser left empty (a "<!D" it could not finish) has neither.
function sameFrame(doc) {
    const a = document.doctype;
    const b = doc.doctype;
    const headA = document.head;
    const headB = doc.head;
    return document.compatMode === doc.compatMode && !a === !b && (!a || a.isEqualNode(b))
        && !headA === !headB && (!headA || same(headA, headB));
}

// Nodes that can become one another by changing their text, or their
// attributes and children.
function alike(a, b) {
    if (a.nodeType !== b.nodeType)
        return false;
    if (a.nodeType === Node.TEXT_NODE || a.nodeType === Node.COMMENT_NODE)
        return true;
    return a.nodeType === Node.ELEMENT_NODE && a.namespaceURI === b.namespaceURI
        && a.localName === b.localName && a.prefix === b.prefix;
}

// Changes `live`'s text to `fresh`'s: only the part between what they
// share at the start and at the end. Returns the range of the new text.
function changeText(live, fresh) {
    const before = live.data;
    const after = fresh.data;
    const shorter = Math.min(before.length, after.length);
    let start = 0;
    while (start < shorter && before.charCodeAt(start) === after.charCodeAt(start))
        ++start;
    let end = 0;
    while (end < shorter - start
           && before.charCodeAt(before.length - 1 - end) === after.charCodeAt(after.length - 1 - end))
        ++end;
    live.replaceData(start, before.length - start - end, after.substring(start, after.length - end));
    const range = document.createRange();
    range.setStart(live, start);
    range.setEnd(live, after.length - end);
    return range;
}

// Gives `live` the attributes of `fresh`, in their order; whether any changed.
function changeAttributes(live, fresh) {
    const a = live.attributes;
    const b = fresh.attributes;
    let alreadySo = a.length === b.length;
    for (let i = 0; alreadySo && i < a.length; ++i)
        alreadySo = a[i].name === b[i].name && a[i].namespaceURI === b[i].namespaceURI
            && a[i].value === b[i].value;
    if (alreadySo)
        return false;
    while (a.length)
        live.removeAttributeNode(a[0]);
    // Copies of the parser's own attributes: any name it allows is kept,
    // which setAttribute would refuse.
    for (const attribute of Array.from(b))
        live.setAttributeNode(document.importNode(attribute, false));
    return true;
}

// Makes `live` (a node of the document on view) equal to `fresh` (its
// counterpart in the parsed document). Returns the range that changed, or
// null if none did.
function changeNode(live, fresh) {
    if (live.nodeType !== Node.ELEMENT_NODE)
        return live.data === fresh.data ? null : changeText(live, fresh);
    const attributesChanged = changeAttributes(live, fresh);
    const inside = changeChildren(live, fresh);
    if (inside || !attributesChanged)
        return inside;
    const range = document.createRange();
    range.selectNode(live);
    return range;
}

// Makes `live`'s children equal to `fresh`'s. The children both share at
// the start and at the end stay; of the ones between, a single pair that
// can become one another is changed within (so that a change deep inside
// one long element costs little), any others are replaced with the parsed
// ones. Returns the range that changed, or null.
function changeChildren(live, fresh) {
    const a = Array.from(live.childNodes);
    const b = Array.from(fresh.childNodes);
    let start = 0;
    while (start < a.length && start < b.length && same(a[start], b[start]))
        ++start;
    let endA = a.length;
    let endB = b.length;
    while (endA > start && endB > start && same(a[endA - 1], b[endB - 1])) {
        --endA;
        --endB;
    }
    if (start === endA && start === endB)
        return null;
    if (endA - start === 1 && endB - start === 1 && alike(a[start], b[start]))
        return changeNode(a[start], b[start]);
    const next = endA < a.length ? a[endA] : null;
    for (let i = start; i < endA; ++i)
        live.removeChild(a[i]);
    const range = document.createRange();
    for (let i = start; i < endB; ++i)
        live.insertBefore(document.adoptNode(b[i]), next);
    if (endB > start) {
        range.setStartBefore(b[start]);
        range.setEndAfter(b[endB - 1]);
    } else {
        range.setStart(live, start);
    }
    return range;
}

function parse(source) {
    return new DOMParser().parseFromString(source, 'text/html');
}

// Changes the document on view into the page `source`. Returns the range
// that changed ({range: null} when nothing did), or null when the page
// needs a new document.
function changeInPlace(source) {
    const doc = parse(source);
    if (actsByItself(doc) || !sameFrame(doc))
        return null;
    return {range: changeChildren(document, doc)};
}

// Markup of a whole document, its doctype and what stands outside <html>
// included.
function markupOf(doc) {
    return Array.from(doc.childNodes, (node) => {
        if (node.nodeType === Node.ELEMENT_NODE)
            return node.outerHTML;
        if (node.nodeType === Node.DOCUMENT_TYPE_NODE)
            return `<!DOCTYPE ${node.name}|${node.publicId}|${node.systemId}>`;
        return `<!--${node.data}-->`;
    }).join('');
}

// Whether the document on view is what the parser makes of `source`, and
// nothing in it acts by itself: then it can be changed in place. A document
// that loaded some other page, or whose scripts have run, is not.
function holds(source) {
    const doc = parse(source);
    return !actsByItself(doc) && document.compatMode === doc.compatMode
        && markupOf(document) === markupOf(doc);
}
