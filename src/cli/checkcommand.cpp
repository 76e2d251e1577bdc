#include "checkreport.h"
#include "commands.h"

namespace {

// korvane-cli check: what the window finds in each of its files, for the user
// whose window stays empty (the window itself never says). Reads files only.
class CheckCommand : public Command
{
public:
    CheckCommand()
        : Command({QStringLiteral("check"),
                   QStringLiteral("check [--json]"),
                   QStringLiteral("report on the configuration and the client files, naming "
                                  "each problem"),
                   QStringLiteral("Reports on the configuration and the four client files it "
                                  "names: whether each is there and can be read, and what was "
                                  "read from it. Each problem is named on standard error. Reads "
                                  "files only."),
                   {{ExitSuccess, QStringLiteral("all four files can be used")},
                    usageLine(),
                    {ExitInput, QStringLiteral("the configuration or a client file cannot be "
                                               "used")}},
                   {{QStringLiteral("json"), QStringLiteral("Print the report as a JSON object.")}},
                   {},
                   {}})
    {}

    int run(const Invocation &call) override
    {
        if (!call.arguments().isEmpty())
            return call.usage(QStringLiteral("check takes no arguments"));
        return printCheckReport(call.output(), call.configPath(), !call.configGiven(),
                                call.isSet(QStringLiteral("json")));
    }
};

} // namespace

std::unique_ptr<Command> makeCheckCommand()
{
    return std::make_unique<CheckCommand>();
}
