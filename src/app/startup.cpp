// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "preview/previewpane.h"
#include "screenregistry.h"
#include "ui/controltable.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTimer>
#include <QWebEnginePage>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// The assets are compiled into the static library, whose resource initialiser
// the linker drops unless someone calls it; it lives outside any namespace.
static void initAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace quorvel {

namespace {

// When the engine is started behind the splash (after the splash has been
// drawn), and how long its throwaway page lives (past Lesson 1's first page,
// so the engine never winds down in between).
constexpr int kEngineWarmUpDelayMs = 50;
constexpr int kEngineWarmPageLifeMs = 4000;

#ifdef Q_OS_LINUX
// A GPU that can render shows up as a DRM render node.
bool hasRenderNode()
{
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System | QDir::Files)
                .isEmpty();
}
#endif

} // namespace

void prepareProcess()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("quorvel: running as root, so the preview's browser sandbox is off\n", stderr);
    }
#endif
#ifdef Q_OS_LINUX
    if (!hasRenderNode()) {
        // Without a GPU, OpenGL is the processor pretending to be one: loading
        // it costs a tenth of a second before the splash can show, and every
        // repaint of a window holding a preview goes through it (a clock tick
        // repaints the whole window, at several percent of a core). Qt's own
        // software paths draw the same pixels for less. Whoever sets these
        // variables still has the last word.
        if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
        if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
            qputenv("QT_XCB_GL_INTEGRATION", "none");
    }
#endif
    // The engine reports its graphics set-up in some twenty lines at every
    // start; QT_LOGGING_RULES, which takes precedence, brings them back.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel - HTML"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
}

void prepareApplication()
{
    initAssets();
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setDesktopFileName(QStringLiteral("com.quorvel.Html"));
    registerFonts();
}

void startCourse(ScreenRegistry &registry)
{
    registry.show(ScreenId::Splash);
    // Starting the engine (its context, the panes' profile, a first renderer
    // process) takes the user-interface thread for a tenth of a second or
    // more. Behind the splash nobody waits for it; at the splash's tick it
    // would delay Lesson 1. The page goes with the registry at the latest.
    QTimer::singleShot(kEngineWarmUpDelayMs, &registry, [&registry] {
        QWebEnginePage *warm = warmUpPreviewEngine();
        warm->setParent(&registry);
        QTimer::singleShot(kEngineWarmPageLifeMs, warm, &QObject::deleteLater);
    });
}

} // namespace quorvel
