#include "ui/mainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>

namespace {

struct CommandLine
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays help on commandline options.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays version information.")};
    QCommandLineOption serverUrl{QStringLiteral("server-url"),
                                 QStringLiteral("The Sonavex service to connect to (as SONAVEX_SERVER_URL)."),
                                 QStringLiteral("url")};
    QCommandLineOption siteSuffix{
        QStringLiteral("site-suffix"),
        QStringLiteral("Where the source sites are reached, name.<suffix> (as SONAVEX_SITE_SUFFIX)."),
        QStringLiteral("host[:port]")};
    QCommandLineOption verbose{
        QStringLiteral("verbose"),
        QStringLiteral("Prints everything Qt and the shop browser report, not only problems.")};
    QCommandLineParser parser;

    CommandLine()
    {
        parser.setApplicationDescription(
            QStringLiteral("Searches free music, finds similar artists, downloads tracks and plays MP3s."));
        parser.addOptions({help, version, serverUrl, siteSuffix, verbose});
    }
};

bool printedHelpOrVersion(const CommandLine &commandLine)
{
    if (commandLine.parser.isSet(commandLine.help)) {
        QString text = commandLine.parser.helpText();
        // Without an application object the parser cannot know the program's name.
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("sonavex"));
        std::fputs(qPrintable(text), stdout);
        return true;
    }
    if (commandLine.parser.isSet(commandLine.version)) {
        std::printf("sonavex %s\n", SONAVEX_VERSION);
        return true;
    }
    return false;
}

// Read before the window's application object exists, so that --help works without a display.
// Qt's own options (-platform, -style, ...) are only known to QApplication: then it answers later.
bool answeredWithoutDisplay(CommandLine &commandLine, int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return commandLine.parser.parse(arguments) && printedHelpOrVersion(commandLine);
}

// A terminal that started Sonavex shows real problems only: Qt's debug and info lines, the browser
// engine's start-up dump and warnings known to be harmless stay out, unless the user asked for them.
void quietConsole()
{
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n"
                                                        "*.info=false\n"
                                                        "qt.webenginecontext=false\n"
                                                        "qt.multimedia.*.warning=false\n"));
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --log-level=3").trimmed());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Sonavex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SONAVEX_VERSION));
    CommandLine commandLine;
    if (answeredWithoutDisplay(commandLine, argc, argv))
        return 0;
    // Before the application object, which has things to say itself.
    if (std::none_of(argv + 1, argv + argc, [](const char *arg) { return qstrcmp(arg, "--verbose") == 0; }))
        quietConsole();

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.sonavex.Sonavex"));
    commandLine.parser.process(app);
    if (printedHelpOrVersion(commandLine))
        return 0;
    // The configuration reads these when the window starts.
    if (commandLine.parser.isSet(commandLine.serverUrl))
        qputenv("SONAVEX_SERVER_URL", commandLine.parser.value(commandLine.serverUrl).toLocal8Bit());
    if (commandLine.parser.isSet(commandLine.siteSuffix))
        qputenv("SONAVEX_SITE_SUFFIX", commandLine.parser.value(commandLine.siteSuffix).toLocal8Bit());
    QApplication::setStyle(QStringLiteral("Fusion"));
    QIcon icon;
    for (const char *side : {"48", "128", "256"})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(QLatin1String(side)));
    QApplication::setWindowIcon(icon);

    ui::MainWindow window;
    if (!window.isLoaded()) {
        // Start-up has opened a box saying why it cannot go on: the program ends once it is
        // answered, the box being the last window to close.
        const QWidgetList windows = QApplication::topLevelWidgets();
        if (std::any_of(windows.begin(), windows.end(), [](const QWidget *w) { return w->isVisible(); }))
            QApplication::exec();
        return 1;
    }
    window.setWindowIcon(icon);
    window.show();
    return QApplication::exec();
}
