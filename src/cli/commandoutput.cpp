#include "commandoutput.h"

#include "core/shownname.h"

#include <cerrno>

#include <unistd.h>

namespace {

bool isTerminal(std::FILE *stream)
{
    const int fd = fileno(stream);
    return fd >= 0 && isatty(fd) != 0;
}

void putLine(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

CommandOutput::CommandOutput(QString program, std::FILE *out, std::FILE *err, QString usageHint)
    : name(std::move(program)), outStream(out), errStream(err), usageHint(std::move(usageHint))
{}

bool CommandOutput::errorIsTerminal() const
{
    return isTerminal(errStream);
}

bool CommandOutput::outputIsTerminal() const
{
    return isTerminal(outStream);
}

void CommandOutput::write(const QByteArray &bytes) const
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), outStream);
}

void CommandOutput::printLine(const QString &line) const
{
    putLine(outStream, line);
}

void CommandOutput::noteLine(const QString &line) const
{
    putLine(errStream, line);
    std::fflush(errStream);
}

void CommandOutput::error(const QString &message) const
{
    // Names come into messages as they are: their control characters are
    // escaped here, whichever message carries them.
    noteLine(name + QStringLiteral(": ") + escapeControls(message));
}

int CommandOutput::fail(ExitStatus status, const QString &message) const
{
    error(message);
    return status;
}

int CommandOutput::usage(const QString &message) const
{
    noteLine(name + QStringLiteral(": ") + escapeControls(message) + usageHint);
    return ExitUsage;
}

bool CommandOutput::flush(const QString &what) const
{
    if (std::fflush(outStream) == 0 && !std::ferror(outStream))
        return true;
    error(
        QStringLiteral("cannot write %1 to standard output: %2").arg(what, qt_error_string(errno)));
    return false;
}
