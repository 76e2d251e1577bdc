#include "batchrun.h"
#include "client/clientdata.h"
#include "commands.h"
#include "export/multifilewriter.h"

#include <QDir>

namespace {

// "2 of 3 entries", "1 of 1 entry".
QString countOf(qsizetype written, qsizetype total)
{
    return QStringLiteral("%1 of %2 %3")
        .arg(written)
        .arg(total)
        .arg(total == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
}

class ExportCommand : public Command
{
public:
    ExportCommand()
        : Command(
              {QStringLiteral("export"),
               QStringLiteral("export DIR [ENTRY...]"),
               QStringLiteral("write entries as .mlt files into DIR (all when none is named)"),
               QStringLiteral("Writes entries as .mlt files into the directory DIR, one "
                              "\"<entry name>.mlt\" per entry, replacing files of that name, as "
                              "a drop on DIR in the window does; a file that already holds "
                              "exactly the bytes it would get is left untouched. DIR is made "
                              "when it does not exist. An ENTRY is a name (\"Entry 12\") or a "
                              "number (12); without any, every entry is written."),
               {successLine(),
                {ExitPartial, QStringLiteral("partial failure: some entries were not written")},
                usageLine(),
                inputLine(QStringLiteral("configuration, cache file, entry or directory"))},
               {{QStringLiteral("force"),
                 QStringLiteral("Rewrite every file, also those already up to date.")}},
               {{QStringLiteral("DIR"), QStringLiteral("The directory to write into."), {}},
                {QStringLiteral("ENTRY"), QStringLiteral("An entry to write (default: all)."),
                 QStringLiteral("[ENTRY...]")}},
               {}})
    {}

    int run(const Invocation &call) override
    {
        QStringList names = call.arguments();
        if (names.isEmpty())
            return call.usage(QStringLiteral("export needs a directory DIR"));
        const QString directory = QDir::cleanPath(names.takeFirst());
        if (!client.readConfiguration(call.configPath()))
            return call.fail(ExitInput, client.errorString());
        // Every name is checked before anything is written.
        const auto take = [this](qsizetype n, const QString &) {
            chosen.append(n);
            return true;
        };
        if (!BatchRun::chooseEntries(call.output(), client, names, take))
            return ExitInput;

        const qsizetype total = chosen.size();
        BatchRun batch(call.output(), directory,
                       [total](qsizetype written) { return countOf(written, total); });
        if (!batch.open())
            return call.fail(
                ExitInput,
                QStringLiteral("cannot export to %1: %2").arg(directory, batch.errorString()));
        const bool ended = write(batch, !call.isSet(QStringLiteral("force")));
        return report(call, batch) ? (failed || !ended ? ExitPartial : ExitSuccess) : ExitInput;
    }

private:
    // The entries straight from the cache, made one at a time; whether the
    // batch ran to its end.
    bool write(BatchRun &batch, bool keepUpToDate)
    {
        const qsizetype total = chosen.size();
        return batch.run(
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
    }

    bool report(const Invocation &call, const BatchRun &batch) const
    {
        QString summary =
            QStringLiteral("Wrote %1 to %2").arg(countOf(written, chosen.size()), batch.shown());
        if (upToDate > 0)
            summary += QStringLiteral("; %1 %2 already up to date")
                           .arg(upToDate)
                           .arg(upToDate == 1 ? QStringLiteral("was") : QStringLiteral("were"));
        call.output().printLine(summary);
        return call.output().flush(QStringLiteral("the summary"));
    }

    ClientData client;
    QList<qsizetype> chosen;
    qsizetype written = 0;
    qsizetype upToDate = 0;
    bool failed = false;
};

} // namespace

std::unique_ptr<Command> makeExportCommand()
{
    return std::make_unique<ExportCommand>();
}
