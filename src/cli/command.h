#pragma once

#include "clioptions.h"
#include "commandoutput.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

// A positional argument as a command's help names it.
struct CommandArgument
{
    QString name;
    QString description;
    QString syntax; // "[ENTRY...]"; the name when empty
};

// What the frame needs to know of a command to parse its command line and
// to show its help.
struct CommandInfo
{
    QString name;     // "list"
    QString synopsis; // in the program's overview: "list [--json] [FILE.mlt|DIR...]"
    QString summary;  // beside it there
    QString description;
    QList<ExitStatusLine> statuses; // all of korvane-cli's when empty
    QList<QCommandLineOption> options;
    QList<CommandArgument> arguments;
    QString configHelp; // what --config does, when it does not name the file to read
};

// One run of a command: its command line, parsed, and where it writes.
class Invocation
{
public:
    Invocation(const QCommandLineParser &parser, CommandOutput &output, QStringList arguments,
               QString configPath, bool configGiven)
        : parser(parser), out(output), positional(std::move(arguments)),
          config(std::move(configPath)), configNamed(configGiven)
    {}

    CommandOutput &output() const { return out; }
    // The positional arguments after the command's name.
    const QStringList &arguments() const { return positional; }
    bool isSet(const QString &option) const { return parser.isSet(option); }
    QString value(const QString &option) const { return parser.value(option); }
    QStringList values(const QString &option) const { return parser.values(option); }
    // The configuration file: --config, or the first of the configuration's
    // places that exists.
    const QString &configPath() const { return config; }
    // Whether --config named it.
    bool configGiven() const { return configNamed; }

    // Shorthands of the output's.
    int fail(ExitStatus status, const QString &message) const { return out.fail(status, message); }
    int usage(const QString &message) const { return out.usage(message); }

private:
    const QCommandLineParser &parser;
    CommandOutput &out;
    QStringList positional;
    QString config;
    bool configNamed;
};

// A command of korvane-cli, or the one command of a program of its own: its
// help and options as data, and a run that returns the exit status. A
// command is made for one run, so that its steps may keep what they found.
class Command
{
public:
    explicit Command(CommandInfo info) : about(std::move(info)) {}
    virtual ~Command() = default;

    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    const CommandInfo &info() const { return about; }
    virtual int run(const Invocation &call) = 0;

private:
    CommandInfo about;
};
