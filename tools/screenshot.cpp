// SPDX-License-Identifier: GPL-3.0-or-later
// quorvel-shot SCREEN OUT.png [--pressed]
// quorvel-shot --overflow
//
// Shows one screen of the course the way the program first shows it and saves
// what the X server displays of its window. With --pressed, every Show Me
// button (lessons) or the Answer button (practices) is pressed first, in
// order. Run it under an X server (scripts/screenshots.sh starts Xvfb).
//
// --overflow lists the labels and buttons of all eight screens whose text
// needs more room than their box gives it, as the faces in use measure it.
#include "app/screenregistry.h"
#include "app/splashscreen.h"
#include "app/startup.h"
#include "eventwait.h"
#include "preview/previewpane.h"
#include "workspace/workspacescreen.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <optional>

using namespace quorvel;

namespace {

std::optional<ScreenId> screenByName(const QString &name)
{
    for (ScreenId id : kAllScreens)
        if (screenName(id) == name)
            return id;
    return std::nullopt;
}

int usage()
{
    std::fputs("usage: quorvel-shot SCREEN OUT.png [--pressed]\n"
               "       quorvel-shot --overflow\n  SCREEN:",
               stderr);
    for (ScreenId id : kAllScreens)
        std::fprintf(stderr, " %s", qPrintable(screenName(id)));
    std::fputs("\n", stderr);
    return 2;
}

// Runs the event loop until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()> &done, int ms)
{
    return testing::waitUntil(done, ms);
}

// Waits until the pane has finished a load started after this call.
bool waitForPage(PreviewPane *pane, const std::function<void()> &start)
{
    bool loaded = false;
    const auto c = QObject::connect(pane, &QWebEngineView::loadFinished,
                                    [&loaded](bool ok) { loaded = loaded || ok; });
    start();
    const bool ok = waitFor([&] { return loaded; }, 15000);
    QObject::disconnect(c);
    return ok;
}

void pressAll(WorkspaceScreen *screen)
{
    const ScreenDesign &design = screen->design();
    if (!design.snippets.empty()) {
        for (const Snippet &s : design.snippets)
            if (auto *b = screen->findChild<QPushButton *>(s.button))
                b->click();
    } else if (design.isPractice()) {
        if (auto *answer = screen->findChild<QPushButton *>(QStringLiteral("Command1")))
            answer->click();
    }
}

// Prints what does not fit; returns how many texts that is.
int listOverflow()
{
    ScreenRegistry registry;
    registry.setEndHandler([](int) {});
    int count = 0;
    for (ScreenId id : kAllScreens) {
        Screen *screen = registry.screen(id);
        if (auto *splash = qobject_cast<SplashScreen *>(screen))
            splash->timer()->stop();
        for (const QLabel *label : screen->findChildren<QLabel *>()) {
            const QRect box = label->contentsRect();
            int room = box.height();
            // Only the clock's top band shows; Frame2 covers the rest.
            if (label->objectName() == QLatin1String("lblTime"))
                if (const auto *frame2 = screen->findChild<QWidget *>(QStringLiteral("Frame2")))
                    room = frame2->y() - label->y();
            const int flags = (label->wordWrap() ? Qt::TextWordWrap : 0) | int(label->alignment());
            const QRect need =
                QFontMetrics(label->font())
                    .boundingRect(QRect(0, 0, box.width(), 1 << 20), flags, label->text());
            if (need.height() > room || need.width() > box.width()) {
                ++count;
                std::printf("%s %s: %dx%d box, text needs %dx%d: \"%s\"\n",
                            qPrintable(screen->objectName()), qPrintable(label->objectName()),
                            box.width(), room, need.width(), need.height(),
                            qPrintable(label->text()));
            }
        }
        for (const QPushButton *button : screen->findChildren<QPushButton *>()) {
            const QString text = QString(button->text()).remove(QLatin1Char('&'));
            const int need = QFontMetrics(button->font()).horizontalAdvance(text);
            if (need > button->width() - 6) {
                ++count;
                std::printf("%s %s: %d px button, text needs %d: \"%s\"\n",
                            qPrintable(screen->objectName()), qPrintable(button->objectName()),
                            button->width(), need, qPrintable(text));
            }
        }
    }
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareProcess();
    QApplication app(argc, argv);
    prepareApplication();

    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--overflow")}) {
        listOverflow();
        return 0;
    }
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--pressed"))
        return usage();
    const std::optional<ScreenId> id = screenByName(args[0]);
    if (!id)
        return usage();
    const bool pressed = args.size() == 3;

    int status = 0;
    {
        ScreenRegistry registry;
        registry.setEndHandler([](int) {});
        Screen *screen = registry.screen(*id);
        if (auto *splash = qobject_cast<SplashScreen *>(screen))
            splash->timer()->stop(); // stay on the splash rather than hand over
        auto *workspace = qobject_cast<WorkspaceScreen *>(screen);

        if (workspace) {
            // The load sequence's last refresh (the empty editor) is what the
            // learner first sees in the pane.
            if (!waitForPage(workspace->pane(), [&] { registry.show(*id); }))
                std::fputs("quorvel-shot: the preview did not finish loading\n", stderr);
            if (pressed && !waitForPage(workspace->pane(), [&] { pressAll(workspace); }))
                std::fputs("quorvel-shot: the preview did not finish loading\n", stderr);
        } else {
            registry.show(*id);
        }
        if (registry.hasEnded()) {
            std::fputs("quorvel-shot: the screen could not be shown\n", stderr);
            return 1;
        }
        // Let the window be mapped, laid out and painted (the pane paints a
        // frame or two after its load).
        waitFor([&] { return screen->isVisible() && screen->windowHandle()->isExposed(); }, 5000);
        testing::settle(600);
        const QPixmap shot = screen->screen()->grabWindow(screen->winId());
        if (shot.isNull() || !shot.save(args[1])) {
            std::fprintf(stderr, "quorvel-shot: cannot write %s\n", qPrintable(args[1]));
            status = 1;
        }
    }
    return status;
}
