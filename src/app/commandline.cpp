// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace quorvel {

namespace {

// The options QGuiApplication and QApplication read from the command line
// (and the X11 platform's), with "=" where a value follows.
constexpr const char *kQtOptions[] = {
    "platform=",
    "platformpluginpath=",
    "platformtheme=",
    "plugin=",
    "qwindowgeometry=",
    "qwindowicon=",
    "qwindowtitle=",
    "reverse",
    "session=",
    "display=",
    "geometry=",
    "title=",
    "name=",
    "icon=",
    "style=",
    "stylesheet=",
    "widgetcount",
    "qmljsdebugger=",
};

} // namespace

std::optional<int> handleCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A self-paced HTML tutorial: three lessons and their practices, with a live preview\n"
        "of the page you write (~/customizer.html). Qt's own options, such as\n"
        "-platform and -style, are accepted as well."));
    // Qt's options start with one dash: -platform wayland.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on the command-line options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    for (const char *qtOption : kQtOptions) {
        QString name = QString::fromLatin1(qtOption);
        const bool takesValue = name.endsWith(u'=');
        name.chop(takesValue ? 1 : 0);
        QCommandLineOption option(name, QString(),
                                  takesValue ? QStringLiteral("value") : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const QString program = QStringLiteral("quorvel");
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("unexpected argument '%1'")
                                        .arg(parser.positionalArguments().first())
                                  : parser.errorText();
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", qPrintable(program),
                     qPrintable(error), qPrintable(program));
        return 2;
    }
    if (parser.isSet(help)) {
        const QCoreApplication app(argc, argv); // names the program in the usage line
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(program), QUORVEL_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace quorvel
