#include "program.h"

#include "interruptguard.h"

#include "core/configuration.h"
#include "core/shownname.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <exception>
#include <new>

namespace {

// The program whose process this is, for Qt's messages.
QString processProgram;

// Qt's own warnings (from image handlers and the like) would come between
// the tool's one-line messages; the commands report every problem themselves.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s: %s\n", qPrintable(processProgram),
                     escapeControls(message).toLocal8Bit().constData());
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

// The overview's line for a command: its synopsis, then its summary from the
// 30th column on (on a line of its own after a long synopsis).
QString commandLine(const CommandInfo &info)
{
    constexpr int Column = 29;
    QString line = QStringLiteral("  ") + info.synopsis;
    line += line.size() <= Column - 2 ? QString(Column - line.size(), u' ')
                                      : u'\n' + QString(Column, u' ');
    return wrapText(line + info.summary, 79, Column) + u'\n';
}

} // namespace

Program::Program(Info info, std::vector<CommandMaker> commands)
    : about(std::move(info)), commands(std::move(commands)), single(false)
{}

Program::Program(Info info, CommandMaker command)
    : about(std::move(info)), commands{std::move(command)}, single(true)
{}

QString Program::usageHint() const
{
    return single ? QStringLiteral(" (try %1 --help)").arg(about.name)
                  : QStringLiteral("\nTry '%1 --help' for more information.").arg(about.name);
}

int Program::main(int argc, char *argv[]) const
{
    // Images are drawn and encoded without any window system, so no display
    // (or platform plugin) is needed.
    QCoreApplication application(argc, argv);
#ifdef SIGXFSZ
    // A file size limit then fails the write with "File too large", which is
    // reported, instead of ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Caught from the start, so that a processor time limit reached while a
    // batch gets ready (reading the cache, its pictures' keys) stops it in
    // one line too, before its first file.
    InterruptGuard::watchCpuLimit();
    QCoreApplication::setApplicationName(about.name);
    QCoreApplication::setApplicationVersion(about.version);
    processProgram = about.name;
    qInstallMessageHandler(quietMessages);

    CommandOutput output(about.name, stdout, stderr, usageHint());
    const QStringList arguments = QCoreApplication::arguments();
    if (const QString bad = undecodableArgument(argc, argv, arguments); !bad.isEmpty())
        return output.fail(ExitInput, QStringLiteral("argument \"%1\" is not UTF-8 text: it "
                                                     "would name another file or entry")
                                          .arg(bad));
    // The readers name the file that memory could not hold; what they do not
    // catch still ends in one line.
    try {
        return run(arguments, output);
    } catch (const std::bad_alloc &) {
        output.error(QStringLiteral("not enough memory to go on"));
    } catch (const std::exception &e) {
        output.error(QStringLiteral("cannot go on: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    return ExitInput;
}

int Program::run(const QStringList &arguments, CommandOutput &output) const
{
    int status = ExitSuccess;
    if (single) {
        status = runCommand(*commands.front()(), arguments, output);
    } else {
        // Finds the command; everything after it is the command's to parse.
        QCommandLineParser parser;
        parser.setOptionsAfterPositionalArgumentsMode(
            QCommandLineParser::ParseAsPositionalArguments);
        addOverviewOptions(parser);
        if (!parser.parse(arguments))
            return output.usage(parseErrorText(parser));
        const QStringList positional = parser.positionalArguments();
        if (positional.isEmpty()) {
            if (!printHelpOrVersion(parser, output))
                return output.usage(QStringLiteral("no command given"));
        } else {
            std::unique_ptr<Command> command;
            for (const CommandMaker &make : commands) {
                std::unique_ptr<Command> made = make();
                if (made->info().name == positional.first())
                    command = std::move(made);
            }
            if (!command)
                return output.usage(QStringLiteral("unknown command '%1'").arg(positional.first()));
            status = runCommand(*command, arguments, output);
        }
    }
    // The help, the version and whatever else a command did not check.
    if (status == ExitSuccess && !output.flush(QStringLiteral("the output")))
        return ExitInput;
    return status;
}

int Program::runCommand(Command &command, const QStringList &arguments, CommandOutput &output) const
{
    QCommandLineParser parser;
    addCommandOptions(parser, command);
    if (!parser.parse(arguments))
        return output.usage(parseErrorText(parser));
    if (printHelpOrVersion(parser, output))
        return ExitSuccess;
    if (const qsizetype configs = parser.values(QStringLiteral("config")).size(); configs > 1)
        return output.usage(QStringLiteral("--config given %1 times").arg(configs));
    const bool configGiven = parser.isSet(QStringLiteral("config"));
    const QString config =
        configGiven ? parser.value(QStringLiteral("config")) : configurationPath();
    // Without a command's name, the positional arguments are the command's.
    const QStringList positional = parser.positionalArguments().mid(single ? 0 : 1);
    return command.run(Invocation(parser, output, positional, config, configGiven));
}

void Program::addCommandOptions(QCommandLineParser &parser, const Command &command) const
{
    const CommandInfo &info = command.info();
    parser.setApplicationDescription(wrapText(info.description) + QStringLiteral("\n\n") +
                                     exitStatusHelp(info.statuses));
    addHelpOptions(parser, !single);
    parser.addVersionOption();
    parser.addOption({QStringLiteral("config"),
                      info.configHelp.isEmpty() ? defaultConfigHelp() : info.configHelp,
                      QStringLiteral("file")});
    if (!single)
        parser.addPositionalArgument(info.name, QStringLiteral("The command."));
    parser.addOptions(info.options);
    for (const CommandArgument &argument : info.arguments)
        parser.addPositionalArgument(argument.name, argument.description, argument.syntax);
}

// The command line before the command: the options every command takes.
void Program::addOverviewOptions(QCommandLineParser &parser) const
{
    parser.setApplicationDescription(overview());
    addHelpOptions(parser, true);
    parser.addVersionOption();
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("Read the client file paths from <file>."),
                      QStringLiteral("file")});
    QStringList names;
    for (const CommandMaker &make : commands)
        names << make()->info().name;
    const QString last = names.takeLast();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("%1 or %2.").arg(names.join(QStringLiteral(", ")), last),
        QStringLiteral("command [arguments]"));
}

QString Program::overview() const
{
    QString text = about.about() + QStringLiteral("\n\nCommands:\n");
    for (const CommandMaker &make : commands)
        text += commandLine(make()->info());
    return text + QStringLiteral("\n") + about.afterCommands + QStringLiteral("\n\n") +
           exitStatusHelp();
}

QString Program::helpText(const QCommandLineParser &parser) const
{
    // Qt names the program as it was started (a path, say); messages use
    // the program's own name.
    QString text = parser.helpText();
    const QString typed = QCoreApplication::arguments().value(0);
    const QString usage = QStringLiteral("Usage: ");
    if (text.startsWith(usage + typed))
        text.replace(usage.size(), typed.size(), about.name);
    return text;
}

bool Program::printHelpOrVersion(const QCommandLineParser &parser, CommandOutput &output) const
{
    if (!single && parser.isSet(QStringLiteral("help-all")))
        printFullHelp(output);
    else if (parser.isSet(QStringLiteral("help")))
        output.write(helpText(parser).toLocal8Bit());
    else if (parser.isSet(QStringLiteral("version")))
        output.printLine(QStringLiteral("%1 %2").arg(about.name, about.version));
    else
        return false;
    return true;
}

// The overview and every command's help, for --help-all.
void Program::printFullHelp(CommandOutput &output) const
{
    QCommandLineParser parser;
    addOverviewOptions(parser);
    output.write(helpText(parser).toLocal8Bit());
    for (const CommandMaker &make : commands) {
        const std::unique_ptr<Command> command = make();
        output.write(
            QStringLiteral("\n== %1 %2\n\n").arg(about.name, command->info().name).toLocal8Bit());
        QCommandLineParser commandParser;
        addCommandOptions(commandParser, *command);
        output.write(helpText(commandParser).toLocal8Bit());
    }
}
