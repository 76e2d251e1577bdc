#pragma once

#include "commandoutput.h"

#include "core/outputdirectory.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ClientData;

// One batch of files written into one directory, for export and gallery:
// the entries it takes, the directory opened once, the progress bar, a stop
// by signal between two files, and the words for how each file or the batch
// ended.
class BatchRun
{
public:
    // What a message says of the files written: "4 of 12000 entries".
    using CountWords = std::function<QString(qsizetype written)>;

    BatchRun(const CommandOutput &output, const QString &directory, CountWords written,
             QString afterStop = {}, QString afterInterrupt = {});

    // Hands `take` the cache's entries the names choose, in order and each
    // once (all entries without names), before anything is written; false,
    // having said why, for a name that is none or that `take` refuses.
    // `other` sees each name first and returns true when it is its own
    // (setting `ok` to false to end the choice).
    static bool chooseEntries(const CommandOutput &output, ClientData &client,
                              const QStringList &names,
                              const std::function<bool(qsizetype n, const QString &name)> &take,
                              const std::function<bool(const QString &name, bool *ok)> &other = {});

    // Opens the directory, made when it is missing and its parent is there,
    // clearing what killed writers left there; false, with errorString()
    // saying why, when it cannot be written into.
    bool open();
    const QString &errorString() const { return error; }
    // DIR as a writable directory: made when it is missing and its parent is
    // there; "" when it can be written into, else why not. open() does this
    // first; a command that checks DIR before it reports anything calls it.
    static QString prepareDirectory(const QString &directory);
    const OutputDirectory &directory() const { return target; }
    const CommandOutput &output() const { return out; }
    const QString &path() const { return given; } // as the command line gave it
    QString shown() const;                        // the directory as messages name it
    QString fileOf(const QString &name) const;    // a file of it, likewise

    // Calls `step` until it returns false, `total` steps in all, with the
    // progress bar drawn and interruption signals held off but for the
    // moments between steps. `step` gets the number handled so far to update.
    // On a signal, or at the processor time limit, `halt` is called (it
    // returns how many files are written) and the batch ends saying so;
    // returns false then, and the command must not report success.
    bool run(qsizetype total, const std::function<bool(qsizetype *handled)> &step,
             const std::function<qsizetype()> &halt);

    // "<entry> was not written to <file>: <reason>".
    void notWritten(const QString &entry, const QString &file, const QString &reason) const;
    // The one line for an error that ended the batch.
    void stopped(const QString &entry, const QString &file, const QString &reason,
                 qsizetype written) const;

private:
    const CommandOutput &out;
    QString given;
    CountWords written;
    QString afterStop;
    QString afterInterrupt;
    OutputDirectory target;
    QString error;
};
