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

    if (const QString why = unwritableDirectory(directory); !why.isEmpty()) {
        printError(QStringLiteral("cannot export to %1: %2").arg(directory, why));
        return ExitInput;
    }

    const QString shown = QDir::toNativeSeparators(directory);
    const auto fileOf = [&directory](const QString &entryText) {
        return QDir::toNativeSeparators(directory + u'/' + entryText + QStringLiteral(".mlt"));
    };
    MultiFileReport report;
    {
        // The entries straight from the cache, made one at a time.
        const MultiCache &cache = client.cache();
        const auto entryAt = [&](qsizetype i) { return cache.entry(chosen[i]); };
        ProgressBar bar(chosen.size());
        InterruptGuard guard;
        writeMultiFiles(chosen.size(), entryAt, directory, &report, [&](int handled) {
            bar.update(handled);
            // Between two files: no temporary file exists now.
            if (guard.pending()) {
                bar.clear();
                printError(QStringLiteral("interrupted after writing %1 to %2")
                               .arg(countOf(report.written, chosen.size()), shown));
                guard.deliverPending();
            }
        });
    }
    for (qsizetype i = 0; i < report.failures.size(); ++i) {
        const MultiFileFailure &failure = report.failures[i];
        // The error that ended the export: one line for it and all after it.
        if (!report.stopped.isEmpty() && i == report.failures.size() - 1)
            printError(QStringLiteral("stopped at %1 (%2): %3; wrote %4")
                           .arg(failure.entryText, fileOf(failure.entryText), failure.reason,
                                countOf(report.written, chosen.size())));
        else
            printError(QStringLiteral("%1 was not written to %2: %3")
                           .arg(failure.entryText, fileOf(failure.entryText), failure.reason));
    }

    std::printf("Wrote %s to %s\n", qPrintable(countOf(report.written, chosen.size())),
                qPrintable(shown));
    if (!flushStandardOutput(QStringLiteral("the summary")))
        return ExitInput;
    return report.written == chosen.size() && report.failures.isEmpty() ? ExitSuccess : ExitPartial;
}
