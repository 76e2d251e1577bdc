#include "checkreport.h"
#include "client/clientdata.h"
#include "client/clientfilefinder.h"
#include "commands.h"
#include "core/atomicfile.h"
#include "core/configuration.h"
#include "core/outputdirectory.h"
#include "core/regularfile.h"
#include "core/shownname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

// korvane-cli config: the user's korvane.xml, naming the client files found
// in a directory or named on the command line, so that nobody writes XML by
// hand.
namespace {

// "--tiledata and --cache", "the tile data file and the cache file".
QString listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.last();
}

// Writes `xml` to `path` whole or not at all, making its directory. Without
// `replace`, a file of that name is never replaced, even one that appears
// meanwhile (another config run's): `exists` is set then.
QString writeConfiguration(const QString &path, const QByteArray &xml, bool replace, bool *exists)
{
    // With --force, a configuration kept elsewhere and linked here stays
    // linked: the file the link names is replaced.
    const QFileInfo info(replace ? AtomicFile::savedThroughLinks(path) : path);
    const QString directory = info.absolutePath();
    if (!QDir().mkpath(directory))
        return QStringLiteral("cannot make directory %1").arg(directory);
    OutputDirectory output;
    if (!output.open(directory))
        return output.errorString();
    AtomicFile file;
    if (file.open(output, info.fileName()) && file.write(xml) &&
        (replace ? file.commit() : file.commitNew()))
        return {};
    *exists = file.errorCode() == EEXIST && !replace;
    return file.errorString();
}

// What was taken for each file and why, or why none was: on standard output,
// or on standard error when standard output takes the document alone.
void printFindings(const ClientFileFinder &finder, const QString &directory,
                   const CommandOutput &output, bool toError)
{
    for (int i = 0; i < 4; ++i) {
        const ClientFileFinder::Finding &finding = finder.finding(i);
        const QString what = QLatin1String(ClientFiles[i].what);
        const QString line = finding.path.isEmpty()
                                 ? QStringLiteral("found no %1 in %2: %3")
                                       .arg(what, shownPath(directory), finding.why)
                                 : QStringLiteral("took the %1 %2: %3")
                                       .arg(what, shownPath(finding.path), finding.why);
        toError ? output.noteLine(line) : output.printLine(line);
    }
}

QString userConfigurationShown()
{
    return userConfigurationPath().isEmpty() ? u'(' + userConfigurationProblem() + u')'
                                             : QDir::toNativeSeparators(userConfigurationPath());
}

CommandInfo configInfo()
{
    const QString user = userConfigurationShown();
    CommandInfo info{
        QStringLiteral("config"),
        QStringLiteral("config CLIENTDIR"),
        QStringLiteral("find the client files in CLIENTDIR by their content and write your "
                       "korvane.xml naming them"),
        QStringLiteral("Finds the four client files in CLIENTDIR by their content, whatever "
                       "their names, and writes your configuration, %1, naming them by "
                       "absolute path; then reports on it as check does. --artidx, --artmul, "
                       "--tiledata and --cache name files directly and win over the ones "
                       "found; without CLIENTDIR all four are named. An existing "
                       "configuration is replaced only with --force.")
            .arg(user),
        {{ExitSuccess, QStringLiteral("written, and all four files can be used")},
         usageLine(),
         {ExitInput, QStringLiteral("input error: a client file not found or that cannot be "
                                    "used, a configuration that exists (without --force) or "
                                    "cannot be written")}},
        {},
        {{QStringLiteral("CLIENTDIR"), QStringLiteral("The directory to find the client files in."),
          QStringLiteral("[CLIENTDIR]")}},
        QStringLiteral("Write <file> instead of %1.").arg(user)};
    for (const ClientFile &file : ClientFiles)
        info.options.append({QLatin1String(file.key),
                             QStringLiteral("Take <file> as the %1.").arg(QLatin1String(file.what)),
                             QStringLiteral("file")});
    info.options.append(
        {QStringLiteral("force"), QStringLiteral("Replace an existing configuration.")});
    info.options.append(
        {QStringLiteral("print"),
         QStringLiteral("Write the configuration to standard output instead of a file.")});
    return info;
}

// korvane-cli config: the user's korvane.xml, naming the client files found
// in a directory or named on the command line, so that nobody writes XML by
// hand.
class ConfigCommand : public Command
{
public:
    ConfigCommand() : Command(configInfo()) {}

    int run(const Invocation &call) override
    {
        if (const int status = parse(call); status != ExitSuccess)
            return status;
        if (!checkNamedFiles(call) || !chooseTarget(call))
            return ExitInput;
        ClientFileFinder finder(directory, named);
        QByteArray xml;
        if (!find(call, finder) || !makeDocument(call, finder, &xml))
            return ExitInput;
        if (print) {
            // Standard output takes the document alone.
            printFindings(finder, directory, call.output(), true);
            call.output().write(xml);
            return call.output().flush(QStringLiteral("the configuration")) ? ExitSuccess
                                                                            : ExitInput;
        }
        return write(call, finder, xml);
    }

private:
    int parse(const Invocation &call)
    {
        const QStringList &positional = call.arguments();
        if (positional.size() > 1)
            return call.usage(
                QStringLiteral("config takes one CLIENTDIR, not %1").arg(positional.size()));
        directory = positional.value(0);
        QStringList missing;
        for (const ClientFile &file : ClientFiles) {
            const QStringList values = call.values(QLatin1String(file.key));
            if (values.size() > 1)
                return call.usage(QStringLiteral("--%1 given %2 times")
                                      .arg(QLatin1String(file.key))
                                      .arg(values.size()));
            named.*file.path = values.value(0);
            if (values.isEmpty())
                missing.append(QStringLiteral("--") + QLatin1String(file.key));
        }
        if (directory.isEmpty() && !missing.isEmpty())
            return call.usage(
                QStringLiteral("config needs a CLIENTDIR to look in, or %1").arg(listed(missing)));
        print = call.isSet(QStringLiteral("print"));
        force = call.isSet(QStringLiteral("force"));
        return ExitSuccess;
    }

    bool checkNamedFiles(const Invocation &call) const
    {
        for (const ClientFile &file : ClientFiles) {
            QFile namedFile(named.*file.path);
            QString why;
            if (!namedFile.fileName().isEmpty() && !openRegularFile(namedFile, &why)) {
                call.output().error(file.unreadable(named.*file.path, why));
                return false;
            }
        }
        return true;
    }

    // The file to write, never one that is there without --force.
    bool chooseTarget(const Invocation &call)
    {
        target = call.configGiven() ? call.configPath() : userConfigurationPath();
        if (target.isEmpty() && !print) {
            call.output().error(QStringLiteral("cannot write your configuration: %1; --config "
                                               "names the file to write")
                                    .arg(userConfigurationProblem()));
            return false;
        }
        existsMessage = QStringLiteral("configuration %1 exists; --force replaces it").arg(target);
        if (const QFileInfo info(target); !print && (info.exists() || info.isSymLink()) && !force) {
            call.output().error(existsMessage);
            return false;
        }
        return true;
    }

    bool find(const Invocation &call, ClientFileFinder &finder) const
    {
        QString error;
        if (!directory.isEmpty() && !finder.find(&error)) {
            call.output().error(QStringLiteral("cannot look for the client files in %1: %2")
                                    .arg(shownPath(directory), error));
            return false;
        }
        if (finder.complete())
            return true;
        printFindings(finder, directory, call.output(), false);
        if (!call.output().flush(QStringLiteral("the report")))
            return false;
        QStringList notFound;
        QStringList options;
        for (int i = 0; i < 4; ++i) {
            if (finder.finding(i).path.isEmpty()) {
                notFound.append(QStringLiteral("the ") + QLatin1String(ClientFiles[i].what));
                options.append(QStringLiteral("--") + QLatin1String(ClientFiles[i].key));
            }
        }
        call.output().error(
            QStringLiteral("could not find %1 in %2; name %3 with %4")
                .arg(listed(notFound), shownPath(directory),
                     notFound.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"),
                     listed(options)));
        return false;
    }

    // The document, read back to be sure it names every path as it is.
    static bool makeDocument(const Invocation &call, const ClientFileFinder &finder,
                             QByteArray *xml)
    {
        const Configuration paths = finder.paths();
        *xml = configurationXml(paths);
        bool wellFormed = false;
        const Configuration back = readConfiguration(*xml, &wellFormed);
        for (const ClientFile &file : ClientFiles) {
            if (!wellFormed || back.*file.path != paths.*file.path) {
                call.output().error(
                    QStringLiteral("cannot name the %1 %2 in a configuration: "
                                   "XML cannot hold every character of its path")
                        .arg(QLatin1String(file.what), quotedPath(paths.*file.path)));
                return false;
            }
        }
        return true;
    }

    int write(const Invocation &call, const ClientFileFinder &finder, const QByteArray &xml) const
    {
        const CommandOutput &output = call.output();
        bool exists = false;
        if (const QString why = writeConfiguration(target, xml, force, &exists); !why.isEmpty())
            return call.fail(
                ExitInput,
                exists ? existsMessage
                       : QStringLiteral("cannot write configuration %1: %2").arg(target, why));
        printFindings(finder, directory, output, false);
        output.printLine(QStringLiteral("wrote configuration %1").arg(shownPath(target)));
        if (!output.flush(QStringLiteral("the report")))
            return ExitInput;
        if (const QString first = configurationPath(); !call.configGiven() && first != target)
            output.error(QStringLiteral("warning: %1 is read before it, by the window and "
                                        "korvane-cli alike")
                             .arg(first));
        return printCheckReport(output, target, false, false);
    }

    QString directory;
    Configuration named;
    bool print = false;
    bool force = false;
    QString target;
    QString existsMessage;
};

} // namespace

std::unique_ptr<Command> makeConfigCommand()
{
    return std::make_unique<ConfigCommand>();
}
