#include "clioptions.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

QString overview()
{
    return QStringLiteral(
               "Runs the jobs of the Korvane Extractor window from the command line.\n"
               "\n"
               "Commands:\n"
               "  list [--json]              list the entries of the multi cache file\n"
               "  export DIR [ENTRY...]      write entries as .mlt files into DIR (all when\n"
               "                             none is named)\n"
               "  render ENTRY -o FILE.png   write the preview of an entry as a PNG image\n"
               "                             (-o - writes it to standard output)\n"
               "\n"
               "An ENTRY is a name (\"Entry 12\") or a number (12). 'korvane-cli COMMAND "
               "--help'\nshows the options of a command.\n\n") +
           exitStatusHelp();
}

} // namespace

int main(int argc, char *argv[])
{
    // Images are drawn and encoded without any window system, so no display
    // (or platform plugin) is needed.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    // Finds the command; everything after it is the command's to parse.
    QCommandLineParser parser;
    parser.setApplicationDescription(overview());
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("Read the client file paths from <file> (default: "
                                     "korvane.xml beside the executable)."),
                      QStringLiteral("file")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, export or render."),
                                 QStringLiteral("command [arguments]"));

    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        if (parser.isSet(helpOption)) {
            std::fputs(qPrintable(parser.helpText()), stdout);
            return ExitSuccess;
        }
        if (parser.isSet(versionOption)) {
            std::printf("korvane-cli %s\n", KORVANE_VERSION);
            return ExitSuccess;
        }
        return usageError(QStringLiteral("no command given"));
    }

    const QString command = positional.first();
    if (command == u"list")
        return runList(arguments);
    if (command == u"export")
        return runExport(arguments);
    if (command == u"render")
        return runRender(arguments);
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}
