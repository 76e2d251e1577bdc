#include "client/clientdata.h"
#include "commands.h"
#include "gallery/picturestyle.h"
#include "pictureoptions.h"
#include "pictureoutput.h"
#include "preview/multirenderer.h"

namespace {

CommandInfo renderInfo()
{
    CommandInfo info{
        QStringLiteral("render"),
        QStringLiteral("render ENTRY -o FILE"),
        QStringLiteral("write the preview of an entry (or of a .mlt file) as a picture in the "
                       "format FILE's extension names (PNG without one; -o - writes PNG to "
                       "standard output)"),
        QStringLiteral("Renders the preview of one entry (\"Entry 12\" or 12), or of a .mlt "
                       "file, and writes it as a picture, in the format its extension names "
                       "(PNG without one), cut to its painted pixels by --trim, enlarged by "
                       "--scale and on the --background colour when they are given."),
        {successLine(), usageLine(),
         inputLine(QStringLiteral("configuration, client file, entry, output file or argument, "
                                  "or an entry with nothing to draw,"))},
        {{{QStringLiteral("o"), QStringLiteral("output")},
          QStringLiteral("Write the picture to <file> (.png, .jpg, .bmp, ...); \"-\" writes "
                         "PNG to standard output. A device or FIFO is written into."),
          QStringLiteral("file")}},
        {{QStringLiteral("ENTRY"), QStringLiteral("The entry, or the .mlt file, to render."),
          QStringLiteral("ENTRY|FILE.mlt -o FILE")}},
        {}};
    info.options += pictureOptions();
    return info;
}

class RenderCommand : public Command
{
public:
    RenderCommand() : Command(renderInfo()) {}

    int run(const Invocation &call) override
    {
        if (const int status = parse(call); status != ExitSuccess)
            return status;
        // Decided before anything is read or drawn.
        const PictureOutput output(call.output(), call.value(QStringLiteral("o")));
        if (const QString problem = output.usageProblem(); !problem.isEmpty())
            return call.usage(problem);
        if (const QString problem = output.targetProblem(); !problem.isEmpty())
            return call.fail(ExitInput, problem);
        MultiEntry entry;
        if (!read(call, &entry))
            return ExitInput;
        QImage image;
        if (!draw(call, entry, &image))
            return ExitInput;
        if (const QString error = output.write(image); !error.isEmpty())
            return call.fail(ExitInput, QStringLiteral("cannot write %1 to %2").arg(name, error));
        return ExitSuccess;
    }

private:
    int parse(const Invocation &call)
    {
        if (call.arguments().size() != 1)
            return call.usage(QStringLiteral("render takes exactly one ENTRY"));
        argument = call.arguments().first();
        const QStringList outputs = call.values(QStringLiteral("o"));
        if (outputs.size() > 1)
            return call.usage(
                QStringLiteral("render takes one -o FILE, not %1").arg(outputs.size()));
        if (outputs.isEmpty() || outputs.first().isEmpty())
            return call.usage(
                QStringLiteral("render needs -o FILE.png (or -o - for standard output)"));
        if (const QString problem = readPictureOptions(call, &style); !problem.isEmpty())
            return call.usage(problem);
        return ExitSuccess;
    }

    // The entry, and the client's art and tile data to draw it with.
    bool read(const Invocation &call, MultiEntry *entry)
    {
        // A .mlt file needs no cache, but its picture needs the client's art.
        const bool configured = client.readConfiguration(call.configPath());
        if (!configured && ClientData::isMultiFile(argument)) {
            call.output().error(
                cannotDrawWithoutConfiguration(argument, call.configPath(), client.errorString()));
            return false;
        }
        if (!configured || !client.entry(argument, entry) || !client.openReaders()) {
            call.output().error(client.errorString());
            return false;
        }
        // A .mlt file is named in messages as it was given.
        name = ClientData::isMultiFile(argument) ? argument : entry->text;
        return true;
    }

    // The preview pane's own rendering of this one entry.
    bool draw(const Invocation &call, const MultiEntry &entry, QImage *image)
    {
        RenderStatus status = RenderStatus::Rendered;
        QSize size;
        *image = renderMultiEntry(entry, client.art(), client.tiles(), &status, &size);
        if (status == RenderStatus::Rendered)
            *image = style.finish(*image, &status, &size);
        if (status != RenderStatus::Rendered) {
            call.output().error(renderFailure(name, status, size));
            return false;
        }
        return true;
    }

    QString argument;
    QString name;
    PictureStyle style;
    ClientData client;
};

} // namespace

std::unique_ptr<Command> makeRenderCommand()
{
    return std::make_unique<RenderCommand>();
}
