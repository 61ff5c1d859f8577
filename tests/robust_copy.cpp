// A second running copy of the program for the two-copies test: the real
// screens on the same home folder (and so the same scratch page), driven by
// lines on standard input.
//   set TEXT   the editor's text becomes TEXT
//   shown      prints what the pane shows, line breaks as \n
//   quit       ends
#include "app/screenregistry.h"
#include "app/startup.h"
#include "testutil.h"
#include "workspace/editortext.h"
#include "workspace/previewpane.h"
#include "workspace/workspacescreen.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    quorvel::prepareProcess();
    QApplication app(argc, argv);
    quorvel::prepareApplication();
    int status = 0;
    {
        quorvel::ScreenRegistry registry;
        registry.setFatalReporter([](const QString &m) { std::fprintf(stderr, "fatal: %s\n", qPrintable(m)); });
        registry.show(quorvel::ScreenId::Form1);
        auto *screen = registry.screenAs<quorvel::WorkspaceScreen>(quorvel::ScreenId::Form1);
        std::puts("ready");
        std::fflush(stdout);

        QSocketNotifier input(0, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
            std::string line;
            if (!std::getline(std::cin, line) || line == "quit") {
                input.setEnabled(false);
                QApplication::exit(0);
                return;
            }
            const QString command = QString::fromStdString(line);
            if (command.startsWith(QLatin1String("set "))) {
                quorvel::editor::setText(screen->editor(), command.mid(4));
                std::puts("ok");
            } else if (command == QLatin1String("shown")) {
                QString shown = quorvel::testing::shownText(screen->pane());
                shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
                std::puts(qPrintable(shown));
            }
            std::fflush(stdout);
        });
        status = app.exec();
    }
    return status;
}
