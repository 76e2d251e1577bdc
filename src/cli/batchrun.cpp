#include "batchrun.h"

#include "client/clientdata.h"
#include "clioptions.h"
#include "interruptguard.h"
#include "progressbar.h"

#include "core/shownname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>

#include <sys/stat.h>

BatchRun::BatchRun(const CommandOutput &output, const QString &directory, CountWords written,
                   QString afterStop, QString afterInterrupt)
    : out(output), given(directory), written(std::move(written)), afterStop(std::move(afterStop)),
      afterInterrupt(std::move(afterInterrupt))
{}

bool BatchRun::chooseEntries(const CommandOutput &output, ClientData &client,
                             const QStringList &names,
                             const std::function<bool(qsizetype, const QString &)> &take,
                             const std::function<bool(const QString &, bool *)> &other)
{
    if (names.isEmpty()) {
        if (!client.loadEntries()) {
            output.error(client.errorString());
            return false;
        }
        for (qsizetype n = 0; n < client.cache().size(); ++n) {
            if (!take(n, QString()))
                return false;
        }
        return true;
    }
    // A drop carries each entry once, so a name given twice is taken once.
    QSet<qsizetype> seen;
    bool loaded = false;
    for (const QString &name : names) {
        bool ok = true;
        if (other && other(name, &ok)) {
            if (!ok)
                return false;
            continue;
        }
        if (!loaded && !(loaded = client.loadEntries())) {
            output.error(client.errorString());
            return false;
        }
        const qsizetype n = client.findEntry(name);
        if (n < 0) {
            output.error(client.errorString());
            return false;
        }
        if (!seen.contains(n)) {
            seen.insert(n);
            if (!take(n, name))
                return false;
        }
    }
    return true;
}

QString BatchRun::prepareDirectory(const QString &directory)
{
    const QFileInfo info(directory);
    if (!info.exists() && !info.isSymLink()) {
        const QString parent = info.dir().path();
        const QFileInfo up(parent);
        if (!up.exists())
            return QStringLiteral("no such directory, nor its parent %1").arg(parent);
        if (!up.isDir())
            return QStringLiteral("its parent %1 is not a directory").arg(parent);
        if (::mkdir(QFile::encodeName(directory).constData(), 0777) != 0)
            return QStringLiteral("cannot create it: %1").arg(qt_error_string(errno));
    }
    return unwritableDirectory(directory);
}

bool BatchRun::open()
{
    error = prepareDirectory(given);
    if (!error.isEmpty())
        return false;
    if (!target.open(given)) {
        error = target.errorString();
        return false;
    }
    target.removeStaleTemporaries();
    return true;
}

QString BatchRun::shown() const
{
    // Also on stdout, in the summary: no name may steer a terminal there.
    return escapeControls(QDir::toNativeSeparators(given));
}

QString BatchRun::fileOf(const QString &name) const
{
    return QDir::toNativeSeparators(given + u'/' + name);
}

bool BatchRun::run(qsizetype total, const std::function<bool(qsizetype *)> &step,
                   const std::function<qsizetype()> &halt)
{
    // Before any worker starts: they take the signal mask it sets, so a
    // signal waits until this thread lets it through, between files.
    InterruptGuard guard;
    ProgressBar bar(total, out.err());
    qsizetype handled = 0;
    while (step(&handled)) {
        bar.update(handled);
        if (const InterruptGuard::Stop stop = guard.pending(); stop != InterruptGuard::None) {
            const qsizetype done = halt();
            bar.clear();
            out.error(QStringLiteral("%1 after writing %2 to %3%4")
                          .arg(stop == InterruptGuard::CpuLimit
                                   ? QStringLiteral("stopped at the processor time limit")
                                   : QStringLiteral("interrupted"),
                               written(done), shown(), afterInterrupt));
            // A signal whose handler lets the process go on still ends the
            // batch, as a failure.
            if (stop == InterruptGuard::Interrupt)
                guard.deliverPending();
            return false;
        }
    }
    bar.update(handled);
    return true;
}

void BatchRun::notWritten(const QString &entry, const QString &file, const QString &reason) const
{
    out.error(QStringLiteral("%1 was not written to %2: %3").arg(entry, file, reason));
}

void BatchRun::stopped(const QString &entry, const QString &file, const QString &reason,
                       qsizetype count) const
{
    out.error(QStringLiteral("stopped at %1 (%2): %3; wrote %4%5")
                  .arg(entry, file, reason, written(count), afterStop));
}
