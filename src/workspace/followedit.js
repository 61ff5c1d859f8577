// SPDX-License-Identifier: GPL-3.0-or-later
// Runs in the preview's own script world once a page has loaded: finds where
// the rendered text differs from the text the pane showed before, and if that
// place is out of view, scrolls just enough to bring it in, to the nearest
// edge. The page's scripts neither see this nor reach it; nothing in the
// document changes. The pane appends the call with the text shown before, and
// keeps the text this returns for the next page.
(function (previous) {
    if (!document.documentElement)
        return '';
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
    if (!previous || previous === text || nodes.length === 0)
        return text;
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
    return text;
})
