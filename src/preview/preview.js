// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's side of each document: talks to the pane over the page's web
// channel (the object "pane"), in the pane's own script world. Comes after
// followedit.js and inplace.js, in one script the pane installs once with
// each page, run as each document is made.
//
// Once complete, the document asks the pane what the document before it
// showed and what the page is now, follows the edit, and says whether it
// holds that page with nothing on it that runs: then the pane sends it the
// next changes, which it makes in place (or answers that they need a new
// document). Nothing here is timed: the document that completes asks,
// however late, and a change is answered by the document that took it.

// Whether this document holds the pane's page as the parser makes it, with
// nothing in it that runs: changes may then be made in place. The page it
// holds, and its number.
let changeable = false;
let source = '';
let serialHeld = -1;
// The last change made in place, for the next document to compare with.
let lastChange = null;
let followLimit = 0;

// Runs `step`; what goes wrong in it is said on the console (the pane puts
// it in its log), and `otherwise` stands for its result. An answer to the
// pane is sent whatever happens: the pane goes on from it.
function attempt(what, step, otherwise) {
    try {
        return step();
    } catch (error) {
        console.error(`quorvel: ${what} failed: ${error}`);
        return otherwise;
    }
}

new QWebChannel(qt.webChannelTransport, (channel) => {
    const pane = channel.objects.pane;

    pane.change.connect((serial, base, start, removed, inserted) => {
        const next = source.slice(0, start) + inserted + source.slice(start + removed);
        const change = changeable && base === serialHeld
            ? attempt('a change in place', () => changeInPlace(next), null)
            : null;
        changeable = change !== null;
        if (changeable) {
            source = next;
            serialHeld = serial;
        }
        if (change && change.range) {
            // Just before the next frame is laid out: the change and the
            // scroll show together, and the page is not laid out twice.
            const range = lastChange = change.range;
            requestAnimationFrame(() => bringIntoView(range));
        }
        const shown = changeable || next.length > followLimit
            ? {} : attempt('following the edit', () => followState(lastChange), {});
        pane.changed(serial, Object.assign(shown, {done: changeable}));
    });

    const ready = () => pane.documentReady((reply) => {
        followLimit = reply.followLimit;
        const shown = attempt('following the edit', () => follow(reply.before),
                              {text: '', first: 0, last: 0});
        changeable = reply.source !== null
            && attempt('comparing the page', () => holds(reply.source), false);
        source = reply.source || '';
        serialHeld = reply.serial;
        pane.documentShown(Object.assign(shown, {serial: reply.serial, holds: changeable}));
    });
    if (document.readyState === 'complete')
        ready();
    else
        window.addEventListener('load', ready, {once: true});
});
