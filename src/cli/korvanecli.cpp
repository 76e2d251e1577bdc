#include "korvanecli.h"

#include "client/clientdata.h"
#include "commands.h"

#include "core/configuration.h"

#include <QDir>

namespace {

QString cliAbout()
{
    const QString path = configurationPath();
    const QString reads =
        path.isEmpty()
            ? QStringLiteral("Without --config it reads the korvane.xml the window reads; there "
                             "is none, and %1.")
                  .arg(userConfigurationProblem())
        : configurationToWrite(path)
            ? QStringLiteral("Without --config it reads the korvane.xml the window reads; there "
                             "is none yet: 'korvane-cli config CLIENTDIR' writes yours, %1.")
                  .arg(QDir::toNativeSeparators(path))
            : QStringLiteral("Without --config it reads %1, the file the window reads.")
                  .arg(QDir::toNativeSeparators(path));
    return wrapText(QStringLiteral("Runs the jobs of the Korvane Extractor window from the "
                                   "command line. ") +
                    reads);
}

} // namespace

Program korvaneCli()
{
    return Program(
        {QStringLiteral("korvane-cli"), QStringLiteral(KORVANE_VERSION), cliAbout,
         QStringLiteral("An ENTRY is a name (\"Entry 12\") or a number (12); render and gallery "
                        "also\ntake a .mlt file, and gallery a directory of them. 'korvane-cli "
                        "COMMAND\n--help' shows the options of a command; --help-all shows them "
                        "all.")},
        {makeListCommand, makeExportCommand, makeRenderCommand, makeGalleryCommand,
         makeCheckCommand, makeConfigCommand, makeDiffCommand});
}

Program korvaneThumbnailer()
{
    return Program({QStringLiteral("korvane-thumbnailer"),
                    QStringLiteral(KORVANE_VERSION),
                    [] { return QString(); },
                    {}},
                   makeThumbnailCommand);
}
