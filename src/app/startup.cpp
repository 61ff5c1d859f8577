#include "startup.h"

#include "controltable.h"

#include <QApplication>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// The assets are compiled into the static library, whose resource initialiser
// the linker drops unless someone calls it; it lives outside any namespace.
static void initAssets() { Q_INIT_RESOURCE(assets); }

namespace quorvel {

void prepareProcess()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("quorvel: running as root, so the preview's browser sandbox is off\n", stderr);
    }
#endif
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

} // namespace quorvel
