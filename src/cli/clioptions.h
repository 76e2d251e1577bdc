#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/wholenumber.h"

// Exit statuses of korvane-cli.
enum ExitStatus : int
{
    ExitSuccess = 0,
    ExitPartial = 1, // some entries were not written
    ExitUsage = 2,   // bad command line
    ExitInput = 3,   // configuration, client file, entry, directory or output unusable
};

// One line of an exit status table: a status and what it means for a command.
struct ExitStatusLine
{
    ExitStatus status;
    QString meaning;
};

// The exit status table of the given lines (all statuses when none is given),
// as --help shows it.
QString exitStatusHelp(const QList<ExitStatusLine> &lines = {});

// Prints "korvane-cli: <message>" on stderr, as one line: control characters
// are escaped (see escapeControls).
void printError(const QString &message);

// Flushes standard output; false, having printed "cannot write <what> to
// standard output: <why>", when it did not take all that was written to it.
bool flushStandardOutput(const QString &what);

// Prints a usage error and the hint to --help; returns ExitUsage.
int usageError(const QString &message);

// The parser's error in the tool's words: an unknown option is named as it
// was given ("-1", "--fast"), whatever Qt says.
QString parseErrorText(const QCommandLineParser &parser);

// Why nothing can be written into `directory` (not there, not a directory,
// not writable, as the Destination tree refuses a drop); "" when it can.
QString unwritableDirectory(const QString &directory);

// Wraps each line of `text` at spaces to at most `width` characters, going on
// `indent` spaces in.
QString wrapText(const QString &text, int width = 79, int indent = 0);

// Adds -h/--help and --help-all, in the tool's words.
void addHelpOptions(QCommandLineParser &parser);

// Prints the overview and every command's help, for --help-all.
void printFullHelp();

// Prints what --help-all, --help or --version asks for, the first of them
// set; whether one was.
bool printHelpOrVersion(const QCommandLineParser &parser);

// A parser's help text with the program named "korvane-cli" in its usage line,
// however it was started.
QString helpText(const QCommandLineParser &parser);

// The command line of one command: the options every command takes (--config,
// --help, --help-all, --version) plus the command's own, then its positional
// arguments.
class CommandLine
{
public:
    // The command adds its own options and positional arguments to parser().
    // `statuses`: the exit statuses the command can give, for its help;
    // `configHelp`: what --config does, when not naming the file to read.
    CommandLine(const QString &command, const QString &description,
                const QList<ExitStatusLine> &statuses, const QString &configHelp = {});

    QCommandLineParser &parser() { return commandParser; }

    enum Outcome
    {
        Run,      // go on with the command
        Finished, // help or version was printed
        Invalid,  // a usage error was printed
    };
    // Parses the whole command line (program, options, command, arguments).
    Outcome parse(const QStringList &arguments);

    // The configuration file: --config, or the first of the configuration's
    // places that exists.
    QString configPath() const;
    // Whether --config named it.
    bool configGiven() const;
    // The positional arguments after the command's name.
    QStringList arguments() const;

private:
    QCommandLineParser commandParser;
    QCommandLineOption configOption;
    QString command;
};

// Status lines most commands share.
ExitStatusLine successLine();
ExitStatusLine usageLine();
ExitStatusLine inputLine(const QString &what);
