// xrequest: the two things the end-to-end walk needs from X that xdotool
// cannot do.
//
//   xrequest close WINDOW   asks WINDOW to close the way a window manager
//                           does: a WM_DELETE_WINDOW client message. (xdotool's
//                           windowclose destroys the window instead, and Alt+F4
//                           needs a window manager.)
//   xrequest clipboard      prints the CLIPBOARD selection as UTF-8, exactly,
//                           so the walk can compare what the editor holds
//                           (after Ctrl+A, Ctrl+C) with the scratch page.
//
// Exit status 0 on success, 1 on failure (with a line on stderr), 2 on misuse.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

int fail(const char *what)
{
    std::fprintf(stderr, "xrequest: %s\n", what);
    return 1;
}

int closeWindow(Display *dpy, const char *idText)
{
    char *end = nullptr;
    const unsigned long id = std::strtoul(idText, &end, 0);
    if (end == idText || *end != '\0')
        return fail("not a window id");
    const Window window = id;

    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(dpy, window, False, NoEventMask, &ev))
        return fail("could not send the close request");
    XSync(dpy, False);
    return 0;
}

int printClipboard(Display *dpy)
{
    const Window me = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    const Atom into = XInternAtom(dpy, "XREQUEST_CLIPBOARD", False);
    if (XGetSelectionOwner(dpy, clipboard) == None)
        return fail("nothing on the clipboard");
    XConvertSelection(dpy, clipboard, utf8, into, me, CurrentTime);
    XFlush(dpy);

    // The owner answers through the event queue; give it a few seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    XEvent ev{};
    for (;;) {
        if (XCheckTypedWindowEvent(dpy, me, SelectionNotify, &ev))
            break;
        if (std::chrono::steady_clock::now() > deadline)
            return fail("the clipboard's owner did not answer");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ev.xselection.property == None)
        return fail("the clipboard holds no text");

    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(dpy, me, into, 0, 1L << 24, True, AnyPropertyType, &type, &format,
                           &count, &remaining, &data) != Success)
        return fail("could not read the clipboard's text");
    const Atom incr = XInternAtom(dpy, "INCR", False);
    if (type == incr) {
        XFree(data);
        return fail("the clipboard's text is too long for one transfer");
    }
    const std::string text(reinterpret_cast<const char *>(data), count * (format / 8));
    XFree(data);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (!((command == "close" && argc == 3) || (command == "clipboard" && argc == 2))) {
        std::fputs("usage: xrequest close WINDOW | xrequest clipboard\n", stderr);
        return 2;
    }
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return fail("cannot open the display");
    const int status = command == "close" ? closeWindow(dpy, argv[2]) : printClipboard(dpy);
    XCloseDisplay(dpy);
    return status;
}
