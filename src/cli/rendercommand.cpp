#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "gallery/picturestyle.h"
#include "pictureoptions.h"
#include "pictureoutput.h"
#include "preview/multirenderer.h"

int runRender(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("render"),
        QStringLiteral("Renders the preview of one entry (\"Entry 12\" or 12), or of a .mlt "
                       "file, and writes it as a picture, in the format its extension names "
                       "(PNG without one), cut to its painted pixels by --trim, enlarged by "
                       "--scale and on the --background colour when they are given."),
        {successLine(), usageLine(),
         inputLine(QStringLiteral("configuration, client file, entry, output file or argument, "
                                  "or an entry with nothing to draw,"))});
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the picture to <file> (.png, .jpg, .bmp, ...); \"-\" writes "
                       "PNG to standard output. A device or FIFO is written into."),
        QStringLiteral("file"));
    commandLine.parser().addOption(outputOption);
    addPictureOptions(commandLine.parser());
    commandLine.parser().addPositionalArgument(
        QStringLiteral("ENTRY"), QStringLiteral("The entry, or the .mlt file, to render."),
        QStringLiteral("ENTRY|FILE.mlt -o FILE"));
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    const QStringList entries = commandLine.arguments();
    if (entries.size() != 1)
        return usageError(QStringLiteral("render takes exactly one ENTRY"));
    const QStringList outputs = commandLine.parser().values(outputOption);
    if (outputs.size() > 1)
        return usageError(QStringLiteral("render takes one -o FILE, not %1").arg(outputs.size()));
    if (outputs.isEmpty() || outputs.first().isEmpty())
        return usageError(QStringLiteral("render needs -o FILE.png (or -o - for standard output)"));
    PictureStyle style;
    if (const QString problem = readPictureOptions(commandLine.parser(), &style);
        !problem.isEmpty())
        return usageError(problem);
    // Decided before anything is read or drawn.
    const PictureOutput output(outputs.first());
    if (const QString problem = output.usageProblem(); !problem.isEmpty())
        return usageError(problem);
    if (const QString problem = output.targetProblem(); !problem.isEmpty()) {
        printError(problem);
        return ExitInput;
    }

    ClientData client;
    MultiEntry entry;
    // A .mlt file needs no cache, but its picture needs the client's art.
    const bool configured = client.readConfiguration(commandLine.configPath());
    if (!configured && ClientData::isMultiFile(entries.first())) {
        printError(cannotDrawWithoutConfiguration(entries.first(), commandLine.configPath(),
                                                  client.errorMessage()));
        return ExitInput;
    }
    if (!configured || !client.entry(entries.first(), &entry) || !client.openReaders()) {
        printError(client.errorMessage());
        return ExitInput;
    }

    // The preview pane's own rendering of this one entry.
    RenderStatus status = RenderStatus::Rendered;
    QImage image = renderMultiEntry(entry, client.art(), client.tiles(), &status);
    if (status == RenderStatus::Rendered && !image.isNull())
        image = style.finish(image, &status);
    // A .mlt file is named in messages as it was given.
    const QString name = ClientData::isMultiFile(entries.first()) ? entries.first() : entry.text;
    if (status != RenderStatus::Rendered || image.isNull()) {
        printError(renderFailure(name, status));
        return ExitInput;
    }

    if (const QString error = output.write(image); !error.isEmpty()) {
        printError(QStringLiteral("cannot write %1 to %2").arg(name, error));
        return ExitInput;
    }
    return ExitSuccess;
}
