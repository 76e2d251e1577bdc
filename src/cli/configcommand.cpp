#include "checkreport.h"
#include "client/clientdata.h"
#include "client/clientfilefinder.h"
#include "clioptions.h"
#include "commands.h"
#include "core/atomicfile.h"
#include "core/configuration.h"
#include "core/outputdirectory.h"
#include "core/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

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

// What was taken for each file and why, or why none was.
void printFindings(const ClientFileFinder &finder, const QString &directory, FILE *to)
{
    for (int i = 0; i < 4; ++i) {
        const ClientFileFinder::Finding &finding = finder.finding(i);
        const QString what = QLatin1String(ClientFiles[i].what);
        const QString line = finding.path.isEmpty()
                                 ? QStringLiteral("found no %1 in %2: %3")
                                       .arg(what, shownPath(directory), finding.why)
                                 : QStringLiteral("took the %1 %2: %3")
                                       .arg(what, shownPath(finding.path), finding.why);
        std::fprintf(to, "%s\n", line.toLocal8Bit().constData());
    }
}

} // namespace

int runConfig(const QStringList &arguments)
{
    const QString user = userConfigurationPath().isEmpty()
                             ? u'(' + userConfigurationProblem() + u')'
                             : QDir::toNativeSeparators(userConfigurationPath());
    CommandLine commandLine(
        QStringLiteral("config"),
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
        QStringLiteral("Write <file> instead of %1.").arg(user));
    QCommandLineParser &parser = commandLine.parser();
    QList<QCommandLineOption> fileOptions;
    for (const ClientFile &file : ClientFiles) {
        fileOptions.append({QLatin1String(file.key),
                            QStringLiteral("Take <file> as the %1.").arg(QLatin1String(file.what)),
                            QStringLiteral("file")});
        parser.addOption(fileOptions.last());
    }
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("Replace an existing configuration."));
    const QCommandLineOption printOption(
        QStringLiteral("print"),
        QStringLiteral("Write the configuration to standard output instead of a file."));
    parser.addOption(forceOption);
    parser.addOption(printOption);
    parser.addPositionalArgument(QStringLiteral("CLIENTDIR"),
                                 QStringLiteral("The directory to find the client files in."),
                                 QStringLiteral("[CLIENTDIR]"));
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;

    const QStringList positional = commandLine.arguments();
    if (positional.size() > 1)
        return usageError(
            QStringLiteral("config takes one CLIENTDIR, not %1").arg(positional.size()));
    const QString directory = positional.value(0);
    Configuration named;
    QStringList missing;
    for (int i = 0; i < 4; ++i) {
        const QStringList values = parser.values(fileOptions[i]);
        if (values.size() > 1)
            return usageError(QStringLiteral("--%1 given %2 times")
                                  .arg(QLatin1String(ClientFiles[i].key))
                                  .arg(values.size()));
        named.*ClientFiles[i].path = values.value(0);
        if (values.isEmpty())
            missing.append(QStringLiteral("--") + QLatin1String(ClientFiles[i].key));
    }
    if (directory.isEmpty() && !missing.isEmpty())
        return usageError(
            QStringLiteral("config needs a CLIENTDIR to look in, or %1").arg(listed(missing)));
    for (const ClientFile &file : ClientFiles) {
        QFile namedFile(named.*file.path);
        QString why;
        if (!namedFile.fileName().isEmpty() && !openRegularFile(namedFile, &why)) {
            printError(file.unreadable(named.*file.path, why));
            return ExitInput;
        }
    }

    // With --print, standard output takes the document alone.
    const bool print = parser.isSet(printOption);
    const QString target =
        commandLine.configGiven() ? commandLine.configPath() : userConfigurationPath();
    if (target.isEmpty() && !print) {
        printError(QStringLiteral("cannot write your configuration: %1; --config names the file "
                                  "to write")
                       .arg(userConfigurationProblem()));
        return ExitInput;
    }
    const QString existsMessage =
        QStringLiteral("configuration %1 exists; --force replaces it").arg(target);
    if (const QFileInfo info(target);
        !print && (info.exists() || info.isSymLink()) && !parser.isSet(forceOption)) {
        printError(existsMessage);
        return ExitInput;
    }

    ClientFileFinder finder(directory, named);
    QString error;
    if (!directory.isEmpty() && !finder.find(&error)) {
        printError(QStringLiteral("cannot look for the client files in %1: %2")
                       .arg(shownPath(directory), error));
        return ExitInput;
    }
    if (!finder.complete()) {
        printFindings(finder, directory, stdout);
        if (!flushStandardOutput(QStringLiteral("the report")))
            return ExitInput;
        QStringList notFound;
        QStringList options;
        for (int i = 0; i < 4; ++i) {
            if (finder.finding(i).path.isEmpty()) {
                notFound.append(QStringLiteral("the ") + QLatin1String(ClientFiles[i].what));
                options.append(QStringLiteral("--") + QLatin1String(ClientFiles[i].key));
            }
        }
        printError(QStringLiteral("could not find %1 in %2; name %3 with %4")
                       .arg(listed(notFound), shownPath(directory),
                            notFound.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"),
                            listed(options)));
        return ExitInput;
    }

    const Configuration paths = finder.paths();
    const QByteArray xml = configurationXml(paths);
    bool wellFormed = false;
    const Configuration back = readConfiguration(xml, &wellFormed);
    for (const ClientFile &file : ClientFiles) {
        if (!wellFormed || back.*file.path != paths.*file.path) {
            printError(QStringLiteral("cannot name the %1 %2 in a configuration: XML cannot hold "
                                      "every character of its path")
                           .arg(QLatin1String(file.what), quotedPath(paths.*file.path)));
            return ExitInput;
        }
    }
    if (print) {
        // Standard output takes the document alone.
        printFindings(finder, directory, stderr);
        std::fwrite(xml.constData(), 1, size_t(xml.size()), stdout);
        return flushStandardOutput(QStringLiteral("the configuration")) ? ExitSuccess : ExitInput;
    }
    bool exists = false;
    if (const QString why = writeConfiguration(target, xml, parser.isSet(forceOption), &exists);
        !why.isEmpty()) {
        printError(exists ? existsMessage
                          : QStringLiteral("cannot write configuration %1: %2").arg(target, why));
        return ExitInput;
    }
    printFindings(finder, directory, stdout);
    std::printf("wrote configuration %s\n", qPrintable(shownPath(target)));
    if (!flushStandardOutput(QStringLiteral("the report")))
        return ExitInput;
    if (const QString first = configurationPath(); !commandLine.configGiven() && first != target)
        printError(QStringLiteral("warning: %1 is read before it, by the window and korvane-cli "
                                  "alike")
                       .arg(first));
    return printCheckReport(target, false, false);
}
