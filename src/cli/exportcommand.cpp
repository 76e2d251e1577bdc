#include "cache/multipayload.h"
#include "clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "export/multifilewriter.h"
#include "interruptguard.h"
#include "progressbar.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cstdio>

namespace {

// The Destination tree takes a drop only on a writable directory.
QString refusal(const QString &directory)
{
    const QFileInfo info(directory);
    if (!info.exists())
        return QStringLiteral("no such directory");
    if (!info.isDir())
        return QStringLiteral("not a directory");
    if (!info.isWritable())
        return QStringLiteral("directory not writable");
    return {};
}

} // namespace

int runExport(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("export"),
        QStringLiteral("Writes entries as .mlt files into the existing directory DIR, one "
                       "\"<entry name>.mlt\" per entry, replacing files of that name, as a drop "
                       "on DIR in the window does. An ENTRY is a name (\"Entry 12\") or a "
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
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    QStringList names = commandLine.arguments();
    if (names.isEmpty())
        return usageError(QStringLiteral("export needs a directory DIR"));
    const QString directory = QDir::cleanPath(names.takeFirst());

    ClientData client;
    if (!client.readConfiguration(commandLine.configPath()) || !client.loadEntries()) {
        printError(client.errorMessage());
        return ExitInput;
    }

    // Every name is checked before anything is written. A drop carries each
    // entry once, so a name given twice is written once.
    QList<qsizetype> chosen;
    if (names.isEmpty()) {
        for (qsizetype n = 0; n < client.cache().size(); ++n)
            chosen.append(n);
    } else {
        QSet<qsizetype> seen;
        for (const QString &name : std::as_const(names)) {
            const qsizetype n = client.findEntry(name);
            if (n < 0) {
                printError(client.errorMessage());
                return ExitInput;
            }
            if (!seen.contains(n)) {
                seen.insert(n);
                chosen.append(n);
            }
        }
    }

    if (const QString why = refusal(directory); !why.isEmpty()) {
        printError(QStringLiteral("cannot export to %1: %2").arg(directory, why));
        return ExitInput;
    }

    MultiFileReport report;
    {
        QList<MultiEntry> entries;
        for (qsizetype n : std::as_const(chosen))
            entries.append(client.cache().entry(n));
        const QByteArray payload = encodeMultiPayload(entries);
        ProgressBar bar(chosen.size());
        InterruptGuard guard;
        writeMultiFiles(payload, directory, &report, [&bar, &guard](int handled) {
            bar.update(handled);
            // Between two files: no temporary file exists now.
            if (guard.pending()) {
                bar.clear();
                guard.deliverPending();
            }
        });
    }
    for (const MultiFileFailure &failure : std::as_const(report.failures))
        printError(QStringLiteral("%1 was not written to %2: %3")
                       .arg(failure.entryText,
                            QDir::toNativeSeparators(directory + u'/' + failure.entryText +
                                                     QStringLiteral(".mlt")),
                            failure.reason));

    std::printf("Wrote %d of %lld entries to %s\n", report.written,
                static_cast<long long>(chosen.size()),
                qPrintable(QDir::toNativeSeparators(directory)));
    std::fflush(stdout);
    return report.written == chosen.size() && report.failures.isEmpty() ? ExitSuccess : ExitPartial;
}
