#include "climain.h"
#include "clioptions.h"
#include "interruptguard.h"

#include <QCoreApplication>

#include <csignal>
#include <exception>
#include <new>

namespace {

// Qt's own warnings (from image handlers and the like) would come between
// the tool's one-line messages; the commands report every problem themselves.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        printError(message);
}

} // namespace

int main(int argc, char *argv[])
{
    // Images are drawn and encoded without any window system, so no display
    // (or platform plugin) is needed.
    QCoreApplication application(argc, argv);
#ifdef SIGXFSZ
    // A file size limit then fails the write with "File too large", which is
    // reported, instead of ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Caught from the start, so that a processor time limit reached while a
    // batch gets ready (reading the cache, its pictures' keys) stops it in
    // one line too, before its first file.
    InterruptGuard::watchCpuLimit();
    QCoreApplication::setApplicationName(QStringLiteral("korvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    qInstallMessageHandler(quietMessages);

    // The readers name the file that memory could not hold; what they do not
    // catch still ends in one line.
    int status = ExitInput;
    try {
        status = runCommandLine(argc, argv);
    } catch (const std::bad_alloc &) {
        printError(QStringLiteral("not enough memory to go on"));
        return ExitInput;
    } catch (const std::exception &e) {
        printError(QStringLiteral("cannot go on: %1").arg(QString::fromLocal8Bit(e.what())));
        return ExitInput;
    }
    // The help, the version and whatever else a command did not check.
    if (status == ExitSuccess && !flushStandardOutput(QStringLiteral("the output")))
        return ExitInput;
    return status;
}
