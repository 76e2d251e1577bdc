#pragma once

#include "command.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// The frame every command-line program of Korvane Extractor runs in:
// korvane-cli, whose first argument names one of its commands, and
// korvane-thumbnailer, a program of one command. It owns the process (the
// application object, the signals and limits it answers, Qt's messages,
// what the commands do not catch), --help, --help-all and --version, the
// exit status table, and turns every usage error into one line and a status.
class Program
{
public:
    using CommandMaker = std::function<std::unique_ptr<Command>()>;

    struct Info
    {
        QString name;    // "korvane-cli"
        QString version; // "1.4.0"
        // The overview's text before its list of commands, and after it.
        std::function<QString()> about;
        QString afterCommands;
    };

    // A program whose first argument names one of `commands`.
    Program(Info info, std::vector<CommandMaker> commands);
    // A program that is its one command, without a command name.
    Program(Info info, CommandMaker command);

    // The whole process: runs the command line on the process's standard
    // output and error; returns its exit status.
    int main(int argc, char *argv[]) const;
    // Runs the command line `arguments` (the program's name first) with its
    // output going to `output`; returns the exit status. The application
    // object must exist.
    int run(const QStringList &arguments, CommandOutput &output) const;

    // The hint that ends a usage error of this program.
    QString usageHint() const;

private:
    int runCommand(Command &command, const QStringList &arguments, CommandOutput &output) const;
    void addCommandOptions(QCommandLineParser &parser, const Command &command) const;
    void addOverviewOptions(QCommandLineParser &parser) const;
    QString overview() const;
    QString helpText(const QCommandLineParser &parser) const;
    bool printHelpOrVersion(const QCommandLineParser &parser, CommandOutput &output) const;
    void printFullHelp(CommandOutput &output) const;

    Info about;
    std::vector<CommandMaker> commands;
    bool single;
};
