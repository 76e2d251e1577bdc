#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Exit statuses of korvane-cli and korvane-thumbnailer.
enum ExitStatus : int
{
    ExitSuccess = 0,
    ExitPartial = 1, // some entries were not written
    ExitUsage = 2,   // bad command line
    ExitInput = 3,   // configuration, client file, entry, directory or output unusable
};

// Where a command writes: standard output for what it reports, standard
// error for its problems, summaries and the progress bar. The process hands
// its own streams; a test hands memory, or a stream that fails.
//
// Every problem is one line, "<program>: <message>", its control characters
// escaped, so that no name can steer a terminal or make a second line.
class CommandOutput
{
public:
    // `usageHint` ends a usage error: "\nTry 'korvane-cli --help' ...".
    CommandOutput(QString program, std::FILE *out, std::FILE *err, QString usageHint = {});

    const QString &program() const { return name; }
    std::FILE *out() const { return outStream; }
    std::FILE *err() const { return errStream; }
    // Whether standard error is a terminal, for the progress bar.
    bool errorIsTerminal() const;
    // Whether standard output is a terminal, where no picture goes.
    bool outputIsTerminal() const;

    // Bytes to standard output, as they are.
    void write(const QByteArray &bytes) const;
    // A line to standard output or standard error, as it is: the caller
    // escapes the names in it.
    void printLine(const QString &line) const;
    void noteLine(const QString &line) const;

    // The one line of a problem.
    void error(const QString &message) const;
    // error(), and the status to end with.
    int fail(ExitStatus status, const QString &message) const;
    // A usage error and the hint to --help; ExitUsage.
    int usage(const QString &message) const;

    // Flushes standard output; false, having said "cannot write <what> to
    // standard output: <why>", when it did not take all that was written.
    bool flush(const QString &what) const;

private:
    QString name;
    std::FILE *outStream;
    std::FILE *errStream;
    QString usageHint;
};
