// SPDX-License-Identifier: GPL-3.0-or-later
// Runs in every document of the preview, in the pane's own script world (the
// page's scripts neither see it nor reach it), installed once with the page
// after qwebchannel.js. Each document follows the edit by itself once it is
// complete: it asks the pane what the document before showed (its text and
// the range of it that changed), finds where its own text differs, and if
// that place is out of view scrolls just enough to bring it in, to the
// nearest edge. Then it tells the pane its own text and changed range, for
// the next document to compare with.
//
// Nothing here is timed: a document that completes late, on a slow machine,
// still follows, since it is the document that asks. One that never
// completes (a script that never ends) never asks; the pane deals with it.
'use strict';
(function () {
    // The rendered text and the text nodes it is made of, in order.
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

    // Scrolls the least that brings the box into view, with a little room
    // around it (as much as the page's usual margin, so that a change on the
    // first line brings back the very top).
    function bringIntoView(box) {
        const room = 8;
        let dy = 0;
        if (box.top < 0)
            dy = box.top - room;
        else if (box.bottom > window.innerHeight)
            dy = Math.min(box.bottom - window.innerHeight + room, box.top - room);
        if (dy !== 0)
            window.scrollBy(0, dy);
    }

    // Follows the edit from the document before; returns what the next one
    // compares with. A page that shows no text (all of it inside a <script>
    // or a comment still being typed) says nothing of where the learner is:
    // the next one is compared with the last that showed text. A page with
    // the same text as the one before (a key that completed a tag, say)
    // brings the range changed before into view again: the engine may have
    // put back an older scroll position.
    function follow(before) {
        if (!before.following || !document.documentElement)
            return {text: '', first: 0, last: 0};
        const {nodes, starts, text} = textOf(document.body || document.documentElement);
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
        bringIntoView(range.getBoundingClientRect());
        return {text, first, last};
    }

    new QWebChannel(qt.webChannelTransport, (channel) => {
        const pane = channel.objects.pane;
        const ready = () => pane.documentReady((before) => pane.followed(follow(before)));
        if (document.readyState === 'complete')
            ready();
        else
            window.addEventListener('load', ready, {once: true});
    });
})();
