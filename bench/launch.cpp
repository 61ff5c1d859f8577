// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch.h"

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
#include <unistd.h>

#ifdef QUORVEL_BENCH_XCB
#include <xcb/xcb.h>
#endif

namespace bench {

#ifdef QUORVEL_BENCH_XCB

namespace {

// A second client of the X server that looks at the program's windows.
class XWatch {
public:
    XWatch() { m_c = xcb_connect(nullptr, nullptr); }
    ~XWatch() { xcb_disconnect(m_c); }
    XWatch(const XWatch &) = delete;
    XWatch &operator=(const XWatch &) = delete;

    bool ok()
    {
        if (xcb_connection_has_error(m_c))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        m_pidAtom = atom("_NET_WM_PID");
        m_nameAtom = atom("_NET_WM_NAME");
        m_utf8 = atom("UTF8_STRING");
        return m_pidAtom && m_nameAtom;
    }

    struct Window {
        xcb_window_t id;
        QString title;
    };

    // The viewable top-level windows of one process. Without a window
    // manager the top-level windows are the root's children.
    std::vector<Window> viewable(pid_t pid)
    {
        std::vector<Window> out;
        xcb_query_tree_reply_t *tree =
            xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_root), nullptr);
        if (!tree)
            return out;
        const xcb_window_t *kids = xcb_query_tree_children(tree);
        const int n = xcb_query_tree_children_length(tree);
        std::vector<xcb_get_window_attributes_cookie_t> attrs(n);
        std::vector<xcb_get_property_cookie_t> pids(n);
        for (int i = 0; i < n; ++i) {
            attrs[i] = xcb_get_window_attributes(m_c, kids[i]);
            pids[i] = xcb_get_property(m_c, 0, kids[i], m_pidAtom, XCB_ATOM_CARDINAL, 0, 1);
        }
        for (int i = 0; i < n; ++i) {
            xcb_get_window_attributes_reply_t *a =
                xcb_get_window_attributes_reply(m_c, attrs[i], nullptr);
            xcb_get_property_reply_t *p = xcb_get_property_reply(m_c, pids[i], nullptr);
            const bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
            const bool ours =
                p && xcb_get_property_value_length(p) == 4 &&
                *static_cast<const uint32_t *>(xcb_get_property_value(p)) == uint32_t(pid);
            if (shown && ours)
                out.push_back({kids[i], title(kids[i])});
            std::free(a);
            std::free(p);
        }
        std::free(tree);
        return out;
    }

    // The pixels of a rectangle of a window, or nothing if it went away.
    QByteArray grab(xcb_window_t w, QRect r)
    {
        xcb_get_image_reply_t *img = xcb_get_image_reply(
            m_c,
            xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, int16_t(r.x()), int16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), ~0u),
            nullptr);
        if (!img)
            return {};
        QByteArray data(reinterpret_cast<const char *>(xcb_get_image_data(img)),
                        xcb_get_image_data_length(img));
        std::free(img);
        return data;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }

    QString title(xcb_window_t w)
    {
        xcb_get_property_reply_t *p = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, w, m_nameAtom, m_utf8, 0, 256), nullptr);
        QString t;
        if (p)
            t = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(p)),
                                  xcb_get_property_value_length(p));
        std::free(p);
        return t;
    }

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = 0;
    xcb_atom_t m_nameAtom = 0;
    xcb_atom_t m_utf8 = 0;
};

// Lesson 1's preview pane in window pixels, from the screen's own layout
// table, less a margin so the pane's edge never counts.
QRect lesson1PaneRect()
{
    for (const quorvel::ControlRow &c : quorvel::workspaceLayout(quorvel::lessons::lesson1()))
        if (c.name == QLatin1String("WebBrowser1"))
            return QRect(quorvel::px(c.left), quorvel::px(c.top), quorvel::px(c.width),
                         quorvel::px(c.height))
                .adjusted(8, 8, -8, -8);
    return {};
}

void endGroup(pid_t group)
{
    ::kill(-group, SIGTERM);
    for (int i = 0; i < 100 && ::kill(-group, 0) == 0; ++i)
        QThread::msleep(50);
    if (::kill(-group, 0) == 0)
        ::kill(-group, SIGKILL);
}

struct Launch {
    double splash = -1;
    double mapped = -1;
    double lesson = -1;
    int looks = 0;
};

Launch launchOnce(XWatch &x, const QString &program, QRect paneRect)
{
    Launch result;
    QTemporaryDir home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so the program and every engine process it starts
    // can be ended together by the group's id.
    p.setChildProcessModifier([] { ::setsid(); });
    const double t0 = nowMs();
    p.start(program, {});
    if (!p.waitForStarted(10000))
        return result;
    const pid_t pid = pid_t(p.processId());

    double mapped = -1;
    std::vector<std::pair<double, size_t>> frames; // time, hash of the pane's pixels
    while (nowMs() - t0 < 15000) {
        const double now = nowMs();
        for (const XWatch::Window &w : x.viewable(pid)) {
            if (result.splash < 0)
                result.splash = now - t0;
            if (w.title == QLatin1String("Quorvel - HTML Lesson 1")) {
                if (mapped < 0)
                    mapped = now;
                const QByteArray pixels = x.grab(w.id, paneRect);
                if (!pixels.isEmpty())
                    frames.emplace_back(now - t0, qHash(pixels));
            }
        }
        if (mapped > 0 && now - mapped > 2500)
            break;
        QThread::usleep(1500);
    }
    endGroup(pid);
    p.waitForFinished(5000);

    // Painted: from the first look after which the pane never changed again.
    if (mapped > 0)
        result.mapped = mapped - t0;
    result.looks = int(frames.size());
    if (!frames.empty()) {
        size_t i = frames.size() - 1;
        while (i > 0 && frames[i - 1].second == frames.back().second)
            --i;
        result.lesson = frames[i].first;
    }
    return result;
}

} // namespace

bool launchFromOutside(const QString &program, int runs)
{
    XWatch x;
    if (!x.ok())
        return false;
    const QRect pane = lesson1PaneRect();
    launchOnce(x, program, pane); // fills the disk cache; not counted
    std::vector<double> splash, mapped, lesson, looks;
    for (int i = 0; i < runs; ++i) {
        const Launch l = launchOnce(x, program, pane);
        if (l.mapped > 0)
            mapped.push_back(l.mapped);
        looks.push_back(l.looks);
        if (l.splash > 0)
            splash.push_back(l.splash);
        if (l.lesson > 0)
            lesson.push_back(l.lesson);
    }
    printLine(QStringLiteral("# Lesson 1 mapped after a median %1 ms; the pane was looked at %2 "
                             "times per launch")
                  .arg(summarise(mapped).median, 0, 'f', 0)
                  .arg(summarise(looks).median, 0, 'f', 0));
    printLine(figureLine(QStringLiteral("launch to splash"), summarise(splash),
                         QStringLiteral("ms"), QStringLiteral(", outside: splash window mapped")));
    printLine(figureLine(QStringLiteral("launch to lesson 1"), summarise(lesson),
                         QStringLiteral("ms"),
                         QStringLiteral(", outside: Form1 mapped and its preview painted")));
    return true;
}

#else

bool launchFromOutside(const QString &, int)
{
    return false;
}

#endif

} // namespace bench
