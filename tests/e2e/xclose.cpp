// SPDX-License-Identifier: GPL-3.0-or-later
// xclose WINDOW: asks WINDOW to close the way a window manager does, with a
// WM_DELETE_WINDOW client message. (xdotool's windowkill destroys the window
// instead, Alt+F4 needs a window manager, and this xdotool has no windowquit.)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    Display *dpy = argc == 2 ? XOpenDisplay(nullptr) : nullptr;
    if (!dpy) {
        std::fputs("usage: xclose WINDOW, on the display DISPLAY names\n", stderr);
        return 2;
    }
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = std::strtoul(argv[1], nullptr, 0);
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(dpy, ev.xclient.window, False, NoEventMask, &ev);
    XCloseDisplay(dpy); // flushes the request
    return sent ? 0 : 1;
}
