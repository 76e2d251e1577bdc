#pragma once

#include "commandoutput.h"

#include <QCommandLineParser>
#include <QList>
#include <QString>

// One line of an exit status table: a status and what it means for a command.
struct ExitStatusLine
{
    ExitStatus status;
    QString meaning;
};

// The exit status table of the given lines (all statuses when none is given),
// as --help shows it.
QString exitStatusHelp(const QList<ExitStatusLine> &lines = {});

// Status lines most commands share.
ExitStatusLine successLine();
ExitStatusLine usageLine();
ExitStatusLine inputLine(const QString &what);

// The parser's error in the tool's words: an unknown option is named as it
// was given ("-1", "--fast"), whatever Qt says.
QString parseErrorText(const QCommandLineParser &parser);

// Why nothing can be written into `directory` (not there, not a directory,
// not writable, as the Destination tree refuses a drop); "" when it can.
QString unwritableDirectory(const QString &directory);

// Wraps each line of `text` at spaces to at most `width` characters, going on
// `indent` spaces in.
QString wrapText(const QString &text, int width = 79, int indent = 0);

// Adds -h/--help, and --help-all where there are several commands, in the
// tool's words.
void addHelpOptions(QCommandLineParser &parser, bool all);

// What --config does by default: names the file read without it.
QString defaultConfigHelp();
