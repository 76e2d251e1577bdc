#include "clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "interruptguard.h"
#include "preview/multirenderer.h"

#include <QFile>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>
#include <memory>

namespace {

// Where the picture goes: standard output for "-", else a file that appears
// only once it is complete.
std::unique_ptr<QIODevice> openOutput(const QString &path, QString *error)
{
    if (path == u"-") {
        auto out = std::make_unique<QFile>();
        if (!out->open(stdout, QIODevice::WriteOnly)) {
            *error = QStringLiteral("standard output: %1").arg(out->errorString());
            return nullptr;
        }
        return out;
    }
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file->errorString());
        return nullptr;
    }
    return file;
}

// Writes the picture as PNG; the reason when it could not, else "".
QString writePng(const QImage &image, const QString &path)
{
    // Signals are held off until the file is complete or its temporary gone,
    // so the guard outlives the output.
    InterruptGuard guard;
    QString error;
    const std::unique_ptr<QIODevice> output = openOutput(path, &error);
    if (!output)
        return error;
    QImageWriter writer(output.get(), "png");
    bool written = writer.write(image);
    if (auto *file = qobject_cast<QSaveFile *>(output.get()); written && file)
        written = file->commit();
    else if (written)
        written = static_cast<QFile *>(output.get())->flush();
    if (written)
        return {};
    // A failing device explains itself better than the image writer.
    const bool deviceFault =
        writer.error() == QImageWriter::DeviceError || writer.error() == QImageWriter::UnknownError;
    return QStringLiteral("%1: %2").arg(path == u"-" ? QStringLiteral("standard output") : path,
                                        deviceFault ? output->errorString() : writer.errorString());
}

// Why an entry gave no picture.
QString renderFailure(const QString &name, RenderStatus status)
{
    switch (status) {
    case RenderStatus::NoComponents:
        return QStringLiteral("%1 has no components: nothing to render").arg(name);
    case RenderStatus::TooLarge:
        return QStringLiteral("%1 is too large to render (the picture may be at most %2 pixels "
                              "a side and %3 pixels in all)")
            .arg(name)
            .arg(MaxRenderSide)
            .arg(MaxRenderPixels);
    case RenderStatus::NoArt:
        return QStringLiteral("%1 has no art: none of its graphics is in the art files").arg(name);
    case RenderStatus::TooManyComponents:
        return QStringLiteral("%1 has too many components to render (at most %2)")
            .arg(name)
            .arg(MaxRenderComponents);
    case RenderStatus::TooMuchArt:
        return QStringLiteral("%1 is too large to render (its art may paint at most %2 pixels)")
            .arg(name)
            .arg(MaxPaintedPixels);
    case RenderStatus::NoReaders:
    case RenderStatus::Rendered:
        break;
    }
    return QStringLiteral("%1 could not be rendered").arg(name);
}

} // namespace

int runRender(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("render"),
        QStringLiteral("Renders the preview of one entry (\"Entry 12\" or 12), or of a .mlt "
                       "file, and writes it as a PNG image."),
        {successLine(), usageLine(),
         inputLine(QStringLiteral("configuration, client file, entry or output file, or an "
                                  "entry with nothing to draw,"))});
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the PNG image to <file>; \"-\" writes it to standard output."),
        QStringLiteral("file"));
    commandLine.parser().addOption(outputOption);
    commandLine.parser().addPositionalArgument(
        QStringLiteral("ENTRY"), QStringLiteral("The entry, or the .mlt file, to render."),
        QStringLiteral("ENTRY|FILE.mlt -o FILE"));
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    const QStringList entries = commandLine.arguments();
    if (entries.size() != 1)
        return usageError(QStringLiteral("render takes exactly one ENTRY"));
    const QString outputPath = commandLine.parser().value(outputOption);
    if (outputPath.isEmpty())
        return usageError(QStringLiteral("render needs -o FILE.png (or -o - for standard output)"));

    ClientData client;
    MultiEntry entry;
    if (!client.readConfiguration(commandLine.configPath()) ||
        !client.entry(entries.first(), &entry) || !client.openReaders()) {
        printError(client.errorMessage());
        return ExitInput;
    }

    // The preview pane's own rendering of this one entry.
    RenderStatus status = RenderStatus::Rendered;
    const QImage image = renderMultiEntry(entry, client.art(), client.tiles(), &status);
    // A .mlt file is named in messages as it was given.
    const QString name = ClientData::isMultiFile(entries.first()) ? entries.first() : entry.text;
    if (status != RenderStatus::Rendered || image.isNull()) {
        printError(renderFailure(name, status));
        return ExitInput;
    }

    if (const QString error = writePng(image, outputPath); !error.isEmpty()) {
        printError(QStringLiteral("cannot write %1 to %2").arg(name, error));
        return ExitInput;
    }
    return ExitSuccess;
}
