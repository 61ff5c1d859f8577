// SPDX-License-Identifier: GPL-3.0-or-later
// Changing the document on view in place, where nothing on it runs. The new
// page is parsed by the engine's own parser, inert (DOMParser: nothing in
// its document runs or loads); what differs from the document on view is
// found, checked, and only then changed, so that the document ends equal to
// what a fresh load of the page gives. Whether a page may be changed so is
// decided from what the parser made of it, never from its text.
//
// The document on view was checked as a whole when it showed itself (a new
// document) and each change since was checked as it came, so a change needs
// only its own new nodes checked: on a long page a key touches few.

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

// Attributes that act by themselves: any whose name starts with "on" (a
// script), and these, which load something (or move the focus) as their
// element arrives.
const kLoadingAttributes = new Set([
    'src', 'srcset', 'imagesrcset', 'poster', 'background', 'data', 'codebase', 'archive',
    'lowsrc', 'dynsrc', 'manifest', 'autofocus',
]);

// A value that, without its tabs and line breaks, holds a script address
// (the URL parser reads "java\tscript:" as "javascript:").
function holdsScriptAddress(value) {
    return /script:/i.test(value.replace(/[\t\n\r]/g, ''));
}

// Style that could load: an address, an image, an import or a font, or an
// escape that could spell one.
function styleLoads(css) {
    return /url|image|@|\\/i.test(css);
}

function attributesAct(element) {
    // SVG's references (<use>, <image>, gradients, filters) load what they
    // name; only its links wait for a click.
    if (element.namespaceURI === kSvg && element.localName !== 'a'
        && (element.hasAttribute('href') || element.hasAttribute('xlink:href')))
        return true;
    for (const attribute of element.attributes) {
        const name = attribute.localName.toLowerCase();
        if (name.startsWith('on') || kLoadingAttributes.has(name)
            || holdsScriptAddress(attribute.value)
            || (name === 'style' && styleLoads(attribute.value)))
            return true;
    }
    return false;
}

// What whole subtrees (or a whole document) about to be on view hold that
// matters here: whether anything in them acts by itself, and whether any
// element has two attributes or more (only then can attributes stand in
// another order). The engine finds the elements with attributes: a walk
// over every element in script costs tens of milliseconds at 100 KB.
function survey(roots) {
    let severalAttributes = false;
    for (const root of roots) {
        if (root.nodeType !== Node.ELEMENT_NODE && root.nodeType !== Node.DOCUMENT_NODE)
            continue;
        if ((root.matches && root.matches(kNewDocumentElements))
            || root.querySelector(kNewDocumentElements))
            return {acts: true, severalAttributes: true};
        const styles = Array.from(root.querySelectorAll('style'));
        if (root.localName === 'style')
            styles.push(root);
        if (styles.some((style) => styleLoads(style.textContent)))
            return {acts: true, severalAttributes: true};
        const doc = root.ownerDocument || root;
        const found = doc.evaluate('descendant-or-self::*[@*]', root, null,
                                   XPathResult.ORDERED_NODE_SNAPSHOT_TYPE, null);
        for (let i = 0; i < found.snapshotLength; ++i) {
            const element = found.snapshotItem(i);
            severalAttributes = severalAttributes || element.attributes.length > 1;
            if (attributesAct(element))
                return {acts: true, severalAttributes: true};
        }
    }
    return {acts: false, severalAttributes};
}

// Whether the document on view has an element with two attributes or more.
// Only then can two nodes that isEqualNode finds equal (it does not look at
// the order of attributes) serialise differently.
let severalAttributesOnView = true;

function sameAttributeOrder(a, b) {
    for (let i = 0; i < a.attributes.length; ++i) {
        if (a.attributes[i].name !== b.attributes[i].name)
            return false;
    }
    return true;
}

// Whether two nodes serialise alike.
function same(a, b) {
    if (!a.isEqualNode(b))
        return false;
    if (!severalAttributesOnView || a.nodeType !== Node.ELEMENT_NODE)
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

function sameAttributes(a, b) {
    if (a.attributes.length !== b.attributes.length)
        return false;
    for (let i = 0; i < a.attributes.length; ++i) {
        const x = a.attributes[i];
        const y = b.attributes[i];
        if (x.name !== y.name || x.namespaceURI !== y.namespaceURI || x.value !== y.value)
            return false;
    }
    return true;
}

// Whether two children are the same, for the walk along a list of them.
// <html> and <body> never are: they hold the whole page, and comparing them
// whole before going into them would walk it twice over.
function sameChild(a, b) {
    return !(a.localName === 'html' || a.localName === 'body') && same(a, b);
}

// Finds what differs between `live`'s children (on view) and `fresh`'s
// (parsed), from the outside in, into `changes`. The children both share at
// the start and at the end stay. Of those between, a single pair that can
// become one another is changed within (so that a change deep inside one
// long element costs little); any others are replaced with the parsed ones.
// Siblings are walked one by one: a page may have thousands of children.
function compare(live, fresh, changes) {
    let a = live.firstChild;
    let b = fresh.firstChild;
    while (a && b && sameChild(a, b)) {
        a = a.nextSibling;
        b = b.nextSibling;
    }
    // Back from the end, no further than the start they share, and not to
    // the first pair found to differ.
    const startA = a ? a.previousSibling : live.lastChild;
    const startB = b ? b.previousSibling : fresh.lastChild;
    let lastA = live.lastChild;
    let lastB = fresh.lastChild;
    while (lastA !== startA && lastB !== startB && !(lastA === a && lastB === b)
           && sameChild(lastA, lastB)) {
        lastA = lastA.previousSibling;
        lastB = lastB.previousSibling;
    }
    // What follows the children that differ.
    const endA = lastA === startA ? a : lastA.nextSibling;
    const endB = lastB === startB ? b : lastB.nextSibling;
    if (a === endA && b === endB)
        return;
    const pair = a !== endA && a.nextSibling === endA && b !== endB && b.nextSibling === endB
        && alike(a, b);
    if (pair && a.nodeType !== Node.ELEMENT_NODE) {
        if (a.data !== b.data)
            changes.push({text: a, to: b});
    } else if (pair) {
        if (!sameAttributes(a, b))
            changes.push({attributes: a, to: b});
        compare(a, b, changes);
    } else {
        changes.push({parent: live, from: a, end: endA, fresh: b, freshEnd: endB});
    }
}

// The nodes the changes bring on view, as whole subtrees. Text coming into
// a <style> brings its whole style.
function arriving(changes) {
    const roots = [];
    for (const change of changes) {
        const into = change.text ? change.text.parentNode : change.parent;
        const freshInto = change.text ? change.to.parentNode : change.fresh && change.fresh.parentNode;
        if (into && into.localName === 'style' && freshInto)
            roots.push(freshInto);
        for (let n = change.fresh; n && n !== change.freshEnd; n = n.nextSibling)
            roots.push(n);
    }
    return roots;
}

// Changes a text by its middle, what it does not share with `to` at the
// start and at the end (followedit.js's changedRange). Returns the range of
// the new text.
function changeText(live, to) {
    const before = live.data;
    const after = to.data;
    const {first, last} = changedRange(before, after);
    live.replaceData(first, before.length - (after.length - last) - first,
                     after.substring(first, last));
    const range = document.createRange();
    range.setStart(live, first);
    range.setEnd(live, last);
    return range;
}

// Gives an element the attributes of `to`, in their order. Copies of the
// parser's own: any name it allows is kept, which setAttribute would refuse.
function changeAttributes(live, to) {
    while (live.attributes.length)
        live.removeAttributeNode(live.attributes[0]);
    for (const attribute of Array.from(to.attributes))
        live.setAttributeNode(document.importNode(attribute, false));
    const range = document.createRange();
    range.selectNode(live);
    return range;
}

// Replaces children with the parsed ones. Returns the range of the new ones
// (the point where the old ones stood, if none came).
function replaceChildren(change) {
    const {parent, end, freshEnd} = change;
    for (let a = change.from; a !== end;) {
        const next = a.nextSibling;
        parent.removeChild(a);
        a = next;
    }
    const arrived = [];
    for (let b = change.fresh; b !== freshEnd;) {
        const next = b.nextSibling;
        arrived.push(parent.insertBefore(document.adoptNode(b), end));
        b = next;
    }
    const range = document.createRange();
    if (arrived.length) {
        range.setStartBefore(arrived[0]);
        range.setEndAfter(arrived[arrived.length - 1]);
    } else if (end) {
        range.setStartBefore(end);
    } else {
        range.setStart(parent, parent.childNodes.length);
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
    if (!sameFrame(doc))
        return null;
    const changes = [];
    compare(document, doc, changes);
    const {acts, severalAttributes} = survey(arriving(changes));
    if (acts || changes.some((change) => change.attributes && attributesAct(change.to)))
        return null;
    const severalBefore = severalAttributesOnView;
    let range = null;
    for (const change of changes) {
        if (change.text)
            range = changeText(change.text, change.to);
        else if (change.attributes)
            range = changeAttributes(change.attributes, change.to);
        else
            range = replaceChildren(change);
    }
    severalAttributesOnView = severalAttributes
        || changes.some((change) => change.attributes && change.to.attributes.length > 1)
        || (severalBefore
            && document.evaluate('boolean(//*[@*[2]])', document, null,
                                 XPathResult.BOOLEAN_TYPE, null).booleanValue);
    return {range};
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
    const {acts, severalAttributes} = survey([doc]);
    severalAttributesOnView = severalAttributes;
    return !acts && document.compatMode === doc.compatMode && markupOf(document) === markupOf(doc);
}
