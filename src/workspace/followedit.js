// SPDX-License-Identifier: GPL-3.0-or-later
// Runs in the preview's own script world: finds where the rendered text
// differs from the text of the document the pane followed before, and if that
// place is out of view, scrolls just enough to bring it in, to the nearest
// edge. The page's scripts neither see this nor reach it; nothing in the
// document changes. The pane appends the call with what it knows of the
// document it followed before (its identity, text and changed range), and
// whether to follow at all (a big page is not: the text passed along grows
// with it).
//
// Answers null while the document is still loading (the engine puts the
// previous scroll position back until then), {doc} for the document followed
// before, and {doc, text, first, last} for a new one: its identity, its text
// and the range of it that changed. Each document is followed once,
// whichever of the pane's looks reaches it first. A new document with the
// same text as the one before (a key that completed a tag, say) brings the
// range changed before into view again: the engine may have put back a
// scroll position older than the one the pane moved the document before to.
(function (before) {
    if (!document.documentElement || document.readyState !== 'complete')
        return null;
    const doc = String(performance.timeOrigin);
    if (doc === before.doc)
        return {doc};
    if (!before.following)
        return {doc, text: '', first: 0, last: 0};
    const walker = document.createTreeWalker(document.body || document.documentElement,
                                             NodeFilter.SHOW_TEXT);
    const nodes = [];
    const starts = [];
    let text = '';
    for (let n = walker.nextNode(); n; n = walker.nextNode()) {
        nodes.push(n);
        starts.push(text.length);
        text += n.data;
    }
    const previous = before.text;
    // A page that shows no text (all of it inside a <script> or a comment
    // still being typed) says nothing of where the learner is: the next page
    // is compared with the last one that showed text.
    if (!text)
        return {doc, text: previous, first: before.first, last: before.last};
    if (!previous)
        return {doc, text, first: 0, last: 0};
    let first = before.first;
    let last = before.last;
    if (previous !== text) {
        const shorter = Math.min(text.length, previous.length);
        first = 0;
        while (first < shorter && text.charCodeAt(first) === previous.charCodeAt(first))
            ++first;
        last = text.length;
        let lastBefore = previous.length;
        while (last > first && lastBefore > first
               && text.charCodeAt(last - 1) === previous.charCodeAt(lastBefore - 1)) {
            --last;
            --lastBefore;
        }
    }
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
    const box = range.getBoundingClientRect();
    // A little room around the change, as much as the page's usual margin,
    // so that a change on the first line brings back the very top.
    const room = 8;
    let dy = 0;
    if (box.top < 0)
        dy = box.top - room;
    else if (box.bottom > window.innerHeight)
        dy = Math.min(box.bottom - window.innerHeight + room, box.top - room);
    if (dy !== 0)
        window.scrollBy(0, dy);
    return {doc, text, first, last};
})
