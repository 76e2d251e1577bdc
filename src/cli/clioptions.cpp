#include "clioptions.h"

#include "app/configuration.h"

#include <QCoreApplication>

#include <cstdio>

QString exitStatusHelp()
{
    return QStringLiteral("Exit status:\n"
                          "  0  success\n"
                          "  1  partial failure: some entries were not written\n"
                          "  2  usage error\n"
                          "  3  input error: configuration, client file, entry, directory,\n"
                          "     output or argument that cannot be used, or an entry too large\n"
                          "     to render");
}

void printError(const QString &message)
{
    std::fprintf(stderr, "korvane-cli: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

int usageError(const QString &message)
{
    printError(message);
    std::fputs("Try 'korvane-cli --help' for more information.\n", stderr);
    return ExitUsage;
}

CommandLine::CommandLine(const QString &command, const QString &description)
    : configOption(QStringLiteral("config"),
                   QStringLiteral("Read the client file paths from <file> (default: "
                                  "korvane.xml beside the executable)."),
                   QStringLiteral("file")),
      command(command)
{
    commandParser.setApplicationDescription(description + QStringLiteral("\n\n") +
                                            exitStatusHelp());
    commandParser.addHelpOption();
    commandParser.addVersionOption();
    commandParser.addOption(configOption);
    commandParser.addPositionalArgument(command, QStringLiteral("The command."));
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    if (!commandParser.parse(arguments)) {
        usageError(commandParser.errorText());
        return Invalid;
    }
    if (commandParser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(commandParser.helpText()), stdout);
        return Finished;
    }
    if (commandParser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return Finished;
    }
    return Run;
}

QString CommandLine::configPath() const
{
    return commandParser.isSet(configOption) ? commandParser.value(configOption)
                                             : configurationPath();
}

QStringList CommandLine::arguments() const
{
    // The first positional argument is the command's own name.
    return commandParser.positionalArguments().mid(1);
}
