#include "clioptions.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include "core/configuration.h"

#include <cstdio>

namespace {

QString overview()
{
    return QStringLiteral(
               "Runs the jobs of the Korvane Extractor window from the command line. Without\n"
               "--config it reads %1, the file the window reads.\n"
               "\n"
               "Commands:\n"
               "  list [--json]              list the entries of the multi cache file\n"
               "  export DIR [ENTRY...]      write entries as .mlt files into DIR (all when\n"
               "                             none is named)\n"
               "  render ENTRY -o FILE.png   write the preview of an entry as a PNG image\n"
               "                             (-o - writes it to standard output)\n"
               "  check [--json]             report on the configuration and the client files,\n"
               "                             naming each problem\n"
               "\n"
               "An ENTRY is a name (\"Entry 12\") or a number (12). 'korvane-cli COMMAND "
               "--help'\nshows the options of a command; --help-all shows them all.\n\n")
               .arg(QDir::toNativeSeparators(configurationPath())) +
           exitStatusHelp();
}

struct Command
{
    const char *name;
    int (*run)(const QStringList &arguments);
};

const Command commands[] = {
    {"list", runList},
    {"export", runExport},
    {"render", runRender},
    {"check", runCheck},
};

} // namespace

void printFullHelp()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(overview());
    addHelpOptions(parser);
    parser.addVersionOption();
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("Read the client file paths from <file>."),
                      QStringLiteral("file")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, export, render or check."),
                                 QStringLiteral("command [arguments]"));
    std::fputs(qPrintable(helpText(parser)), stdout);
    const QString program = QCoreApplication::arguments().value(0);
    for (const Command &command : commands) {
        std::printf("\n== korvane-cli %s\n\n", command.name);
        std::fflush(stdout);
        command.run({program, QLatin1String(command.name), QStringLiteral("--help")});
    }
}

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
    addHelpOptions(parser);
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("Read the client file paths from <file>."),
                      QStringLiteral("file")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, export, render or check."),
                                 QStringLiteral("command [arguments]"));

    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(parseErrorText(parser));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        if (parser.isSet(QStringLiteral("help-all"))) {
            printFullHelp();
            return ExitSuccess;
        }
        if (parser.isSet(QStringLiteral("help"))) {
            std::fputs(qPrintable(helpText(parser)), stdout);
            return ExitSuccess;
        }
        if (parser.isSet(versionOption)) {
            std::printf("korvane-cli %s\n", KORVANE_VERSION);
            return ExitSuccess;
        }
        return usageError(QStringLiteral("no command given"));
    }

    const QString name = positional.first();
    for (const Command &command : commands) {
        if (name == QLatin1String(command.name))
            return command.run(arguments);
    }
    return usageError(QStringLiteral("unknown command '%1'").arg(name));
}
