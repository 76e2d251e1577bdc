#include "clioptions.h"

#include "client/clientdata.h"
#include "core/configuration.h"
#include "core/shownname.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

QString unwritableDirectory(const QString &directory)
{
    const QFileInfo info(directory);
    if (!info.exists())
        return QStringLiteral("no such directory");
    if (!info.isDir())
        return QStringLiteral("not a directory");
    if (!info.isWritable())
        return QStringLiteral("directory not writable");
    return {};
}

QString wrapText(const QString &text, int width, int indent)
{
    QStringList out;
    for (QString rest : text.split(u'\n')) {
        while (rest.size() > width) {
            // At the last space that fits, past the line's own indentation.
            qsizetype lead = 0;
            while (lead < rest.size() && rest[lead] == u' ')
                ++lead;
            const qsizetype cut = rest.lastIndexOf(u' ', width);
            if (cut <= lead)
                break;
            out.append(rest.left(cut));
            rest = QString(indent, u' ') + rest.mid(cut + 1);
        }
        out.append(rest);
    }
    return out.join(u'\n');
}

QString exitStatusHelp(const QList<ExitStatusLine> &lines)
{
    const QList<ExitStatusLine> all =
        lines.isEmpty()
            ? QList<ExitStatusLine>{successLine(),
                                    {ExitPartial, QStringLiteral("partial failure: some files "
                                                                 "were not written")},
                                    usageLine(),
                                    inputLine(QStringLiteral("configuration, client file, "
                                                             "entry, directory, output or "
                                                             "argument"))}
            : lines;
    QString help = QStringLiteral("Exit status:");
    for (const ExitStatusLine &line : all)
        help += u'\n' +
                wrapText(QStringLiteral("  %1  %2").arg(int(line.status)).arg(line.meaning), 79, 5);
    return help;
}

ExitStatusLine successLine()
{
    return {ExitSuccess, QStringLiteral("success")};
}

ExitStatusLine usageLine()
{
    return {ExitUsage, QStringLiteral("usage error")};
}

ExitStatusLine inputLine(const QString &what)
{
    return {ExitInput, QStringLiteral("input error: %1 that cannot be used").arg(what)};
}

void printError(const QString &message)
{
    // Names come into messages as they are: their control characters are
    // escaped here, whichever message carries them.
    std::fprintf(stderr, "korvane-cli: %s\n", escapeControls(message).toLocal8Bit().constData());
    std::fflush(stderr);
}

bool flushStandardOutput(const QString &what)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    printError(
        QStringLiteral("cannot write %1 to standard output: %2").arg(what, qt_error_string(errno)));
    return false;
}

int usageError(const QString &message)
{
    printError(message);
    std::fputs("Try 'korvane-cli --help' for more information.\n", stderr);
    return ExitUsage;
}

QString parseErrorText(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    const QString &name = unknown.first();
    return QStringLiteral("unknown option '%1%2'")
        .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
}

void addHelpOptions(QCommandLineParser &parser)
{
    parser.addOption(
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
    parser.addOption(
        {QStringLiteral("help-all"), QStringLiteral("Show the help of every command.")});
}

bool printHelpOrVersion(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("help-all")))
        printFullHelp();
    else if (parser.isSet(QStringLiteral("help")))
        std::fputs(qPrintable(helpText(parser)), stdout);
    else if (parser.isSet(QStringLiteral("version")))
        std::printf("korvane-cli %s\n", KORVANE_VERSION);
    else
        return false;
    return true;
}

QString helpText(const QCommandLineParser &parser)
{
    // Qt names the program as it was started (a path, say); messages say
    // korvane-cli.
    QString text = parser.helpText();
    const QString typed = QCoreApplication::arguments().value(0);
    const QString usage = QStringLiteral("Usage: ");
    if (text.startsWith(usage + typed))
        text.replace(usage.size(), typed.size(), QStringLiteral("korvane-cli"));
    return text;
}

namespace {

QString defaultConfigHelp()
{
    const QString path = configurationPath();
    if (path.isEmpty())
        return QStringLiteral("Read the client file paths from <file> (there is no default: %1).")
            .arg(userConfigurationProblem());
    return QStringLiteral("Read the client file paths from <file> (default: %1%2).")
        .arg(QDir::toNativeSeparators(path),
             configurationToWrite(path)
                 ? QStringLiteral(", not there yet: 'korvane-cli config CLIENTDIR' writes it")
                 : QString());
}

} // namespace

CommandLine::CommandLine(const QString &command, const QString &description,
                         const QList<ExitStatusLine> &statuses, const QString &configHelp)
    : configOption(QStringLiteral("config"),
                   configHelp.isEmpty() ? defaultConfigHelp() : configHelp, QStringLiteral("file")),
      command(command)
{
    commandParser.setApplicationDescription(wrapText(description) + QStringLiteral("\n\n") +
                                            exitStatusHelp(statuses));
    addHelpOptions(commandParser);
    commandParser.addVersionOption();
    commandParser.addOption(configOption);
    commandParser.addPositionalArgument(command, QStringLiteral("The command."));
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    if (!commandParser.parse(arguments)) {
        usageError(parseErrorText(commandParser));
        return Invalid;
    }
    return printHelpOrVersion(commandParser) ? Finished : Run;
}

QString CommandLine::configPath() const
{
    return configGiven() ? commandParser.value(configOption) : configurationPath();
}

bool CommandLine::configGiven() const
{
    return commandParser.isSet(configOption);
}

QStringList CommandLine::arguments() const
{
    // The first positional argument is the command's own name.
    return commandParser.positionalArguments().mid(1);
}
