#pragma once

// Runs a command line of korvane-cli or korvane-thumbnailer in the test's
// own process, as the program's main() runs it (without the process's
// set-up), with its standard output and error in memory.

#include "cli/korvanecli.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

struct CommandResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// `program` is "korvane-cli" or "korvane-thumbnailer". A test that gives
// `out` (a stream whose writes fail, say) gets nothing of standard output.
inline CommandResult runCommandLine(const QString &program, const QStringList &arguments,
                                    std::FILE *out = nullptr)
{
    char *outBytes = nullptr;
    char *errBytes = nullptr;
    size_t outSize = 0;
    size_t errSize = 0;
    std::FILE *outStream = out ? out : open_memstream(&outBytes, &outSize);
    std::FILE *errStream = open_memstream(&errBytes, &errSize);
    const Program frame = program == u"korvane-thumbnailer" ? korvaneThumbnailer() : korvaneCli();
    CommandOutput output(program, outStream, errStream, frame.usageHint());
    CommandResult result;
    result.status = frame.run(QStringList{program} + arguments, output);
    if (!out)
        std::fclose(outStream);
    std::fclose(errStream);
    result.out = QByteArray(outBytes, qsizetype(outSize));
    result.err = QByteArray(errBytes, qsizetype(errSize));
    std::free(outBytes);
    std::free(errBytes);
    return result;
}
