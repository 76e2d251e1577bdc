#include "checkreport.h"
#include "clioptions.h"
#include "commands.h"

// korvane-cli check: what the window finds in each of its files, for the user
// whose window stays empty (the window itself never says). Reads files only.
int runCheck(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("check"),
        QStringLiteral("Reports on the configuration and the four client files it names: "
                       "whether each is there and can be read, and what was read from it. "
                       "Each problem is named on standard error. Reads files only."),
        {{ExitSuccess, QStringLiteral("all four files can be used")},
         usageLine(),
         {ExitInput, QStringLiteral("the configuration or a client file cannot be used")}});
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the report as a JSON object."));
    commandLine.parser().addOption(jsonOption);
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    if (!commandLine.arguments().isEmpty())
        return usageError(QStringLiteral("check takes no arguments"));
    return printCheckReport(commandLine.configPath(), !commandLine.configGiven(),
                            commandLine.parser().isSet(jsonOption));
}
