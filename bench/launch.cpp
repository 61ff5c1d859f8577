// SPDX-License-Identifier: GPL-3.0-or-later
// The launch as the learner sees it: the built program started from outside
// and watched through the X server by a second client, to the splash on the
// screen and to Lesson 1 on the screen with its preview painted.

#include "measure.h"

#include "lessons/lessons.h"
#include "ui/controltable.h"
#include "workspace/workspacelayout.h"

#include <QHash>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

namespace bench {

namespace {

// An xcb reply, freed with free() as xcb asks.
template <class T> std::unique_ptr<T, decltype(&std::free)> reply(T *r)
{
    return {r, &std::free};
}

// A second client of the X server that looks at the program's windows.
class XWatch {
public:
    XWatch()
        : m_c(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_c)) {
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
            m_pid = atom("_NET_WM_PID");
            m_name = atom("_NET_WM_NAME");
        }
    }
    ~XWatch() { xcb_disconnect(m_c); }
    bool ok() const { return m_pid && m_name; }

    // The titles of the process's viewable top-level windows, by window.
    // Without a window manager they are the root's children. Every question
    // goes out before the first answer is read: one round trip, not three a
    // window, between looks 1.5 ms apart.
    std::map<xcb_window_t, QByteArray> viewable(pid_t pid)
    {
        std::map<xcb_window_t, QByteArray> out;
        const auto tree = reply(xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_root), nullptr));
        const int n = tree ? xcb_query_tree_children_length(tree.get()) : 0;
        const xcb_window_t *kids = tree ? xcb_query_tree_children(tree.get()) : nullptr;
        std::vector<xcb_get_window_attributes_cookie_t> attributes;
        std::vector<xcb_get_property_cookie_t> pids, titles;
        for (int i = 0; i < n; ++i) {
            attributes.push_back(xcb_get_window_attributes(m_c, kids[i]));
            pids.push_back(xcb_get_property(m_c, 0, kids[i], m_pid, XCB_ATOM_CARDINAL, 0, 1));
            titles.push_back(xcb_get_property(m_c, 0, kids[i], m_name, XCB_ATOM_ANY, 0, 64));
        }
        const auto ours = QByteArray::fromRawData(reinterpret_cast<const char *>(&pid), 4);
        for (size_t i = 0; i < size_t(n); ++i) {
            const auto a = reply(xcb_get_window_attributes_reply(m_c, attributes[i], nullptr));
            const QByteArray owner = value(pids[i]), title = value(titles[i]);
            if (a && a->map_state == XCB_MAP_STATE_VIEWABLE && owner == ours)
                out.emplace(kids[i], title);
        }
        return out;
    }

    // The pixels of a rectangle of a window; empty if it went away.
    QByteArray grab(xcb_window_t w, QRect r)
    {
        const auto image = reply(xcb_get_image_reply(
            m_c,
            xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, int16_t(r.x()), int16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), ~0u),
            nullptr));
        return image ? QByteArray(reinterpret_cast<const char *>(xcb_get_image_data(image.get())),
                                  xcb_get_image_data_length(image.get()))
                     : QByteArray();
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const auto r = reply(xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return r ? r->atom : 0;
    }

    QByteArray value(xcb_get_property_cookie_t cookie)
    {
        const auto p = reply(xcb_get_property_reply(m_c, cookie, nullptr));
        return p ? QByteArray(static_cast<const char *>(xcb_get_property_value(p.get())),
                              xcb_get_property_value_length(p.get()))
                 : QByteArray();
    }

    xcb_connection_t *m_c;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pid = 0;
    xcb_atom_t m_name = 0;
};

// Lesson 1's preview pane in window pixels, from the screen's own layout
// table, less a margin so the pane's edge never counts.
QRect lesson1Pane()
{
    for (const quorvel::ControlRow &c : quorvel::workspaceLayout(quorvel::lessons::lesson1()))
        if (c.name == QLatin1String("WebBrowser1"))
            return QRect(quorvel::px(c.left), quorvel::px(c.top), quorvel::px(c.width),
                         quorvel::px(c.height))
                .adjusted(8, 8, -8, -8);
    return {};
}

struct Launch {
    double splash = -1;
    double mapped = -1;
    double painted = -1;
};

// Looks every 1.5 ms until Lesson 1 has been on the screen for 2.5 s. Its
// preview counts as painted from the first look after which its pixels never
// changed again.
Launch watch(XWatch &x, pid_t pid, double start)
{
    Launch l;
    std::vector<std::pair<double, size_t>> frames; // time, hash of the pane's pixels
    const QRect pane = lesson1Pane();
    for (double t = 0; t < 15000 && (l.mapped < 0 || t - l.mapped < 2500); t = nowMs() - start) {
        for (const auto &[window, title] : x.viewable(pid)) {
            if (l.splash < 0)
                l.splash = t;
            if (title != "Quorvel - HTML Lesson 1")
                continue;
            if (l.mapped < 0)
                l.mapped = t;
            if (const QByteArray pixels = x.grab(window, pane); !pixels.isEmpty())
                frames.emplace_back(t, qHash(pixels));
        }
        QThread::usleep(1500);
    }
    if (frames.empty())
        return l;
    size_t i = frames.size() - 1;
    while (i > 0 && frames[i - 1].second == frames.back().second)
        --i;
    l.painted = frames[i].first;
    return l;
}

// Starts the program with a fresh HOME in a process group of its own, so
// that it and every engine process it starts end together by the group's id.
Launch launchOnce(XWatch &x, const QString &program)
{
    QTemporaryDir home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.setChildProcessModifier([] { ::setsid(); });
    const double start = nowMs();
    p.start(program, {});
    if (!p.waitForStarted(10000))
        return {};
    const pid_t group = pid_t(p.processId());
    const Launch l = watch(x, group, start);
    ::kill(-group, SIGTERM);
    for (int i = 0; i < 100 && ::kill(-group, 0) == 0; ++i)
        QThread::msleep(50);
    if (::kill(-group, 0) == 0)
        ::kill(-group, SIGKILL);
    p.waitForFinished(5000);
    return l;
}

} // namespace

int runLaunch(const QString &program, bool quick)
{
    XWatch x;
    if (!x.ok())
        return fail(QStringLiteral("launch: no X server to watch the program on"));
    launchOnce(x, program); // fills the disk cache; not counted
    std::vector<double> splash, mapped, painted;
    for (int i = 0; i < (quick ? 3 : 10); ++i) {
        const Launch l = launchOnce(x, program);
        if (l.splash > 0)
            splash.push_back(l.splash);
        if (l.mapped > 0)
            mapped.push_back(l.mapped);
        if (l.painted > 0)
            painted.push_back(l.painted);
    }
    printLine(
        QStringLiteral("# Lesson 1 mapped after a median %1 ms").arg(median(mapped), 0, 'f', 0));
    printFigure(QStringLiteral("launch to splash"), splash, QStringLiteral("ms"),
                QStringLiteral(", its window mapped"));
    printFigure(QStringLiteral("launch to lesson 1"), painted, QStringLiteral("ms"),
                QStringLiteral(", Form1 mapped and its preview painted"));
    return 0;
}

} // namespace bench
