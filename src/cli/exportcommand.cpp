#include "batchrun.h"
#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "export/multifilewriter.h"

#include <QDir>

#include <cstdio>

namespace {

// "2 of 3 entries", "1 of 1 entry".
QString countOf(int written, qsizetype total)
{
    return QStringLiteral("%1 of %2 %3")
        .arg(written)
        .arg(total)
        .arg(total == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
}

} // namespace

int runExport(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("export"),
        QStringLiteral("Writes entries as .mlt files into the directory DIR, one "
                       "\"<entry name>.mlt\" per entry, replacing files of that name, as a drop "
                       "on DIR in the window does; a file that already holds exactly the bytes "
                       "it would get is left untouched. DIR is made when it does not exist. An "
                       "ENTRY is a name (\"Entry 12\") or a "
                       "number (12); without any, every entry is written."),
        {successLine(),
         {ExitPartial, QStringLiteral("partial failure: some entries were not written")},
         usageLine(),
         inputLine(QStringLiteral("configuration, cache file, entry or directory"))});
    commandLine.parser().addPositionalArgument(QStringLiteral("DIR"),
                                               QStringLiteral("The directory to write into."));
    commandLine.parser().addPositionalArgument(QStringLiteral("ENTRY"),
                                               QStringLiteral("An entry to write (default: all)."),
                                               QStringLiteral("[ENTRY...]"));
    QCommandLineParser &parser = commandLine.parser();
    const QCommandLineOption forceOption(
        QStringLiteral("force"),
        QStringLiteral("Rewrite every file, also those already up to date."));
    parser.addOption(forceOption);
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    QStringList names = commandLine.arguments();
    if (names.isEmpty())
        return usageError(QStringLiteral("export needs a directory DIR"));
    const QString directory = QDir::cleanPath(names.takeFirst());

    ClientData client;
    if (!client.readConfiguration(commandLine.configPath())) {
        printError(client.errorMessage());
        return ExitInput;
    }
    // Every name is checked before anything is written.
    QList<qsizetype> chosen;
    const auto take = [&chosen](qsizetype n, const QString &) {
        chosen.append(n);
        return true;
    };
    if (!BatchRun::chooseEntries(client, names, take))
        return ExitInput;

    const qsizetype total = chosen.size();
    BatchRun batch(directory, [total](qsizetype written) { return countOf(written, total); });
    if (const QString why = batch.open(); !why.isEmpty()) {
        printError(QStringLiteral("cannot export to %1: %2").arg(directory, why));
        return ExitInput;
    }

    // The entries straight from the cache, made one at a time.
    const bool keepUpToDate = !parser.isSet(forceOption);
    qsizetype written = 0;
    qsizetype upToDate = 0;
    bool failed = false;
    const bool ended = batch.run(
        total,
        [&](qsizetype *handled) {
            if (*handled == total)
                return false;
            const MultiEntry entry = client.cache().entry(chosen[*handled]);
            QString failure;
            const QString file = batch.fileOf(entry.text + QStringLiteral(".mlt"));
            switch (writeMultiFile(batch.directory(), entry, keepUpToDate, &failure)) {
            case MultiFileOutcome::Written:
                ++written;
                break;
            case MultiFileOutcome::UpToDate:
                ++upToDate;
                break;
            case MultiFileOutcome::NotWritten:
                failed = true;
                batch.notWritten(entry.text, file, failure);
                break;
            case MultiFileOutcome::StoppedWrite:
                // One line for it and all the entries after it.
                failed = true;
                batch.stopped(entry.text, file, failure, written);
                return false;
            }
            ++*handled;
            return true;
        },
        [&] { return written; });

    if (upToDate > 0)
        std::printf("Wrote %s to %s; %lld %s already up to date\n",
                    qPrintable(countOf(written, total)), qPrintable(batch.shown()),
                    qlonglong(upToDate), upToDate == 1 ? "was" : "were");
    else
        std::printf("Wrote %s to %s\n", qPrintable(countOf(written, total)),
                    qPrintable(batch.shown()));
    if (!flushStandardOutput(QStringLiteral("the summary")))
        return ExitInput;
    return failed || !ended ? ExitPartial : ExitSuccess;
}
