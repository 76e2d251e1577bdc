#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// Exit statuses of korvane-cli.
enum ExitStatus : int
{
    ExitSuccess = 0,
    ExitPartial = 1, // some entries were not written
    ExitUsage = 2,   // bad command line
    ExitInput = 3,   // configuration, client file, entry, directory or output unusable
};

// The exit status table, as shown by --help.
QString exitStatusHelp();

// Prints "korvane-cli: <message>" on stderr.
void printError(const QString &message);

// Prints a usage error and the hint to --help; returns ExitUsage.
int usageError(const QString &message);

// The command line of one command: the options every command takes (--config,
// --help, --version) plus the command's own, then its positional arguments.
class CommandLine
{
public:
    // The command adds its own options and positional arguments to parser().
    CommandLine(const QString &command, const QString &description);

    QCommandLineParser &parser() { return commandParser; }

    enum Outcome
    {
        Run,      // go on with the command
        Finished, // help or version was printed
        Invalid,  // a usage error was printed
    };
    // Parses the whole command line (program, options, command, arguments).
    Outcome parse(const QStringList &arguments);

    // The configuration file: --config, or "korvane.xml" beside the executable.
    QString configPath() const;
    // The positional arguments after the command's name.
    QStringList arguments() const;

private:
    QCommandLineParser commandParser;
    QCommandLineOption configOption;
    QString command;
};
