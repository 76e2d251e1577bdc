#include "climain.h"

#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "core/configuration.h"
#include "core/shownname.h"

#include <cstdio>

namespace {

QString overview()
{
    const QString path = configurationPath();
    const QString reads =
        path.isEmpty()
            ? QStringLiteral("Without --config it reads the korvane.xml the window reads; there "
                             "is none, and %1.")
                  .arg(userConfigurationProblem())
        : configurationToWrite(path)
            ? QStringLiteral("Without --config it reads the korvane.xml the window reads; there "
                             "is none yet: 'korvane-cli config CLIENTDIR' writes yours, %1.")
                  .arg(QDir::toNativeSeparators(path))
            : QStringLiteral("Without --config it reads %1, the file the window reads.")
                  .arg(QDir::toNativeSeparators(path));
    return wrapText(QStringLiteral("Runs the jobs of the Korvane Extractor window from the "
                                   "command line. ") +
                    reads) +
           QStringLiteral(
               "\n"
               "\n"
               "Commands:\n"
               "  list [--json] [FILE.mlt|DIR...]\n"
               "                             list the entries of the multi cache file, or of\n"
               "                             .mlt files and the .mlt files of directories\n"
               "  export DIR [ENTRY...]      write entries as .mlt files into DIR (all when\n"
               "                             none is named)\n"
               "  render ENTRY -o FILE       write the preview of an entry (or of a .mlt file)\n"
               "                             as a picture in the format FILE's extension names\n"
               "                             (PNG without one; -o - writes PNG to standard\n"
               "                             output)\n"
               "  gallery DIR [ENTRY...]     write a PNG picture of each entry (all when none\n"
               "                             is named) into DIR, and DIR/index.html showing\n"
               "                             them all\n"
               "  check [--json]             report on the configuration and the client files,\n"
               "                             naming each problem\n"
               "  config CLIENTDIR           find the client files in CLIENTDIR by their\n"
               "                             content and write your korvane.xml naming them\n"
               "  diff OLD NEW               tell which entries differ between two versions\n"
               "                             (clients or directories of .mlt files)\n"
               "\n"
               "An ENTRY is a name (\"Entry 12\") or a number (12); render and gallery also\n"
               "take a .mlt file, and gallery a directory of them. 'korvane-cli COMMAND\n"
               "--help' shows the options of a command; --help-all shows them all.\n\n") +
           exitStatusHelp();
}

// Qt decodes the arguments as UTF-8, putting U+FFFD for what is not: such a
// path would name another file, so the argument is refused. Returns the
// first such argument with its bytes shown (control characters escaped),
// or "".
QString undecodableArgument(int argc, char **argv, const QStringList &decoded)
{
    for (int i = 1; i < argc && i < decoded.size(); ++i) {
        const QByteArray bytes(argv[i]);
        if (QFile::encodeName(decoded[i]) != bytes)
            return escapeControls(shownBytes(bytes));
    }
    return {};
}

struct Command
{
    const char *name;
    int (*run)(const QStringList &arguments);
};

const Command commands[] = {
    {"list", runList},   {"export", runExport}, {"render", runRender}, {"gallery", runGallery},
    {"check", runCheck}, {"config", runConfig}, {"diff", runDiff},
};

// The command line before the command: the options every command takes.
void addOverviewOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(overview());
    addHelpOptions(parser);
    parser.addVersionOption();
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("Read the client file paths from <file>."),
                      QStringLiteral("file")});
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("list, export, render, gallery, check, config or diff."),
        QStringLiteral("command [arguments]"));
}

} // namespace

void printFullHelp()
{
    QCommandLineParser parser;
    addOverviewOptions(parser);
    std::fputs(qPrintable(helpText(parser)), stdout);
    const QString program = QCoreApplication::arguments().value(0);
    for (const Command &command : commands) {
        std::printf("\n== korvane-cli %s\n\n", command.name);
        std::fflush(stdout);
        command.run({program, QLatin1String(command.name), QStringLiteral("--help")});
    }
}

int runCommandLine(int argc, char *argv[])
{
    // Finds the command; everything after it is the command's to parse.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOverviewOptions(parser);

    const QStringList arguments = QCoreApplication::arguments();
    if (const QString bad = undecodableArgument(argc, argv, arguments); !bad.isEmpty()) {
        printError(QStringLiteral("argument \"%1\" is not UTF-8 text: it would name another file "
                                  "or entry")
                       .arg(bad));
        return ExitInput;
    }
    if (!parser.parse(arguments))
        return usageError(parseErrorText(parser));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        if (printHelpOrVersion(parser))
            return ExitSuccess;
        return usageError(QStringLiteral("no command given"));
    }

    const QString name = positional.first();
    for (const Command &command : commands) {
        if (name == QLatin1String(command.name))
            return command.run(arguments);
    }
    return usageError(QStringLiteral("unknown command '%1'").arg(name));
}
