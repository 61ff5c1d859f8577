// SPDX-License-Identifier: GPL-3.0-or-later
// Following the edit: bringing the place where the learner's text changed
// into view, scrolling as little as will do. A document changed in place
// knows the nodes it changed. A new document finds where its rendered text
// differs from what the document before it showed, and passes its own on.

// The rendered text of the page and the text nodes it is made of, in order.
function textOf(root) {
    const walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    const nodes = [];
    const starts = [];
    let text = '';
    for (let n = walker.nextNode(); n; n = walker.nextNode()) {
        nodes.push(n);
        starts.push(text.length);
        text += n.data;
    }
    return {nodes, starts, text};
}

function textRoot() {
    return document.body || document.documentElement;
}

// The range [first, last) of `text` that differs from `previous`.
function changedRange(previous, text) {
    const shorter = Math.min(text.length, previous.length);
    let first = 0;
    while (first < shorter && text.charCodeAt(first) === previous.charCodeAt(first))
        ++first;
    let last = text.length;
    let lastBefore = previous.length;
    while (last > first && lastBefore > first
           && text.charCodeAt(last - 1) === previous.charCodeAt(lastBefore - 1)) {
        --last;
        --lastBefore;
    }
    return {first, last};
}

// Where a range shows. A point between two elements has no box of its own:
// the element after it (or around it) stands in.
function boxOf(range) {
    const box = range.getBoundingClientRect();
    if (box.width || box.height)
        return box;
    let node = range.startContainer;
    if (node.nodeType === Node.ELEMENT_NODE && node.childNodes[range.startOffset])
        node = node.childNodes[range.startOffset];
    while (node && node.nodeType !== Node.ELEMENT_NODE)
        node = node.nextSibling || node.parentNode;
    return node ? node.getBoundingClientRect() : box;
}

// Scrolls the least that brings the range into view, with a little room
// around it (as much as the page's usual margin, so that a change on the
// first line brings back the very top).
function bringIntoView(range) {
    const box = boxOf(range);
    const room = 8;
    let dy = 0;
    if (box.top < 0)
        dy = box.top - room;
    else if (box.bottom > window.innerHeight)
        dy = Math.min(box.bottom - window.innerHeight + room, box.top - room);
    if (dy !== 0)
        window.scrollBy(0, dy);
}

// What the next document compares with: the rendered text, and where in it
// the range `change` lies (the whole text's end if there is none).
function followState(change) {
    const root = textRoot();
    if (!root)
        return {text: '', first: 0, last: 0};
    const text = textOf(root).text;
    const offset = (container, at) => {
        const before = document.createRange();
        before.setStart(root, 0);
        before.setEnd(container, at);
        return before.toString().length;
    };
    const inRoot = change && root.contains(change.commonAncestorContainer);
    return {
        text,
        first: inRoot ? offset(change.startContainer, change.startOffset) : text.length,
        last: inRoot ? offset(change.endContainer, change.endOffset) : text.length,
    };
}

// Follows the edit in a new document from what the document before showed
// (`before`: its text and changed range); returns what the next one
// compares with. A page that shows no text (all of it inside a <script> or
// a comment still being typed) says nothing of where the learner is: the
// next one is compared with the last that showed text. A page with the
// same text as the one before (a key that completed a tag, say) brings the
// range changed before into view again: the engine may have put back an
// older scroll position.
function follow(before) {
    const root = textRoot();
    if (!before.following || !root)
        return {text: '', first: 0, last: 0};
    const {nodes, starts, text} = textOf(root);
    const previous = before.text;
    if (!text)
        return {text: previous, first: before.first, last: before.last};
    if (!previous)
        return {text, first: 0, last: 0};
    let {first, last} = previous === text ? before : changedRange(previous, text);
    first = Math.min(first, text.length);
    last = Math.min(Math.max(last, first), text.length);
    // The text node holding an offset, and the offset inside it.
    const at = (offset) => {
        let lo = 0;
        let hi = nodes.length - 1;
        while (lo < hi) {
            const mid = (lo + hi + 1) >> 1;
            if (starts[mid] <= offset)
                lo = mid;
            else
                hi = mid - 1;
        }
        return [nodes[lo], Math.min(offset - starts[lo], nodes[lo].length)];
    };
    const range = document.createRange();
    range.setStart(...at(first));
    range.setEnd(...at(last));
    bringIntoView(range);
    return {text, first, last};
}
