#include "client/clientdata.h"
#include "commands.h"

#include "core/wholenumber.h"
#include "core/writeall.h"
#include "gallery/pngencoder.h"
#include "gallery/thumbnail.h"
#include "preview/multirenderer.h"

#include <QFile>
#include <QUrl>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file manager may hand over a file: URI instead of a path.
QString localPath(const QString &argument)
{
    const QUrl url(argument);
    return url.isLocalFile() ? url.toLocalFile() : argument;
}

// What a name that is there but not a regular file is, for a message.
QString kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("a symbolic link");
    if (S_ISDIR(mode))
        return QStringLiteral("a directory");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    return QStringLiteral("not a regular file");
}

// Writes the PNG of `picture` into the file `path`, made when it is not
// there. Written in place, not replaced: a thumbnail service may hold the
// file it named open and read the picture through that handle. Only a
// regular file or a new name is written, never through a link a final name
// is (a service always hands over a file of its own), and never the file
// `input` is. A write that fails leaves nothing: a file made here is
// removed, another is emptied. The reason when it could not, else "".
QString writePicture(const QImage &picture, const QString &path, const struct stat &input)
{
    QString why;
    const QByteArray bytes = encodePng(picture, &why);
    if (bytes.isEmpty())
        return why;
    const QByteArray name = QFile::encodeName(path);
    struct stat before;
    const bool existed = ::lstat(name.constData(), &before) == 0;
    if (existed && !S_ISREG(before.st_mode))
        return QStringLiteral("it is %1; a picture is written only into a regular file or a new "
                              "one")
            .arg(kindOf(before.st_mode));
    // Opened before it is emptied, so that the input is known by its
    // identity, whatever name it goes by.
    const int fd =
        ::open(name.constData(),
               O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return qt_error_string(errno);
    struct stat opened;
    QString refused;
    if (::fstat(fd, &opened) != 0)
        refused = qt_error_string(errno);
    else if (!S_ISREG(opened.st_mode))
        refused = QStringLiteral("it is not a regular file");
    else if (opened.st_dev == input.st_dev && opened.st_ino == input.st_ino)
        refused = QStringLiteral("it is the .mlt file to draw");
    if (!refused.isEmpty()) {
        ::close(fd);
        return refused;
    }
    int code = ::ftruncate(fd, 0) == 0 ? writeAll(fd, bytes) : errno;
    if (code != 0 && ::ftruncate(fd, 0) == 0 && !existed)
        ::unlink(name.constData());
    if (::close(fd) != 0 && code == 0)
        code = errno;
    return code == 0 ? QString() : qt_error_string(code);
}

CommandInfo thumbnailInfo()
{
    return {
        QStringLiteral("thumbnail"),
        QStringLiteral("-s SIZE INPUT OUTPUT"),
        {},
        QStringLiteral("Draws the multi of a .mlt file as the Korvane Extractor window's "
                       "preview draws it, with the client files your korvane.xml names, cut "
                       "to its painted pixels and reduced to fit SIZE x SIZE pixels (never "
                       "enlarged), and writes it to OUTPUT as PNG. File managers run it to "
                       "show .mlt files as pictures."),
        {{ExitSuccess, QStringLiteral("written")},
         usageLine(),
         {ExitInput, QStringLiteral("nothing written: configuration, client file, .mlt file "
                                    "or output that cannot be used")}},
        {{{QStringLiteral("s"), QStringLiteral("size")},
          QStringLiteral("Fit the picture into <n> x <n> pixels (1 to %1; default: 256).")
              .arg(MaxThumbnailSize),
          QStringLiteral("n"),
          QStringLiteral("256")}},
        {{QStringLiteral("INPUT"), QStringLiteral("The .mlt file (a path or a file: URI)."), {}},
         {QStringLiteral("OUTPUT"), QStringLiteral("The PNG to write."), {}}},
        QStringLiteral("Read the client file paths from <file> (default: the window's).")};
}

class ThumbnailCommand : public Command
{
public:
    ThumbnailCommand() : Command(thumbnailInfo()) {}

    int run(const Invocation &call) override
    {
        if (const int status = parse(call); status != ExitSuccess)
            return status;
        // The file is read first, refused by its size when it holds more
        // components than a rendering takes.
        ClientData client;
        MultiEntry entry;
        struct stat inputFile;
        if (!client.readMultiFileEntry(input, &entry))
            return call.fail(ExitInput, client.errorString());
        if (::stat(QFile::encodeName(input).constData(), &inputFile) != 0)
            return call.fail(
                ExitInput, QStringLiteral("cannot read %1: %2").arg(input, qt_error_string(errno)));
        if (!client.readConfiguration(call.configPath()))
            return call.fail(ExitInput, cannotDrawWithoutConfiguration(input, call.configPath(),
                                                                       client.errorString()));
        if (!client.openReaders())
            return call.fail(ExitInput, client.errorString());
        QImage picture;
        if (!draw(client, entry, &picture))
            return call.fail(ExitInput, renderFailure(input, status, drawing));
        if (const QString why = writePicture(picture, output, inputFile); !why.isEmpty())
            return call.fail(ExitInput, QStringLiteral("cannot write %1: %2").arg(output, why));
        return ExitSuccess;
    }

private:
    int parse(const Invocation &call)
    {
        const QStringList &positional = call.arguments();
        if (positional.size() != 2)
            return call.usage(
                QStringLiteral("takes INPUT and OUTPUT, not %1 arguments").arg(positional.size()));
        const QString sizeText = call.value(QStringLiteral("s"));
        const std::optional<qint64> side = wholeNumber(sizeText, 1, MaxThumbnailSize);
        if (!side)
            return call.usage(QStringLiteral("-s takes a whole number from 1 to %1, not '%2'")
                                  .arg(MaxThumbnailSize)
                                  .arg(sizeText));
        size = int(*side);
        input = localPath(positional[0]);
        output = localPath(positional[1]);
        return ExitSuccess;
    }

    bool draw(const ClientData &client, const MultiEntry &entry, QImage *picture)
    {
        const QImage rendered =
            renderMultiEntry(entry, client.art(), client.tiles(), &status, &drawing);
        if (status == RenderStatus::Rendered)
            *picture = thumbnailPicture(rendered, size, &status, &drawing);
        return status == RenderStatus::Rendered;
    }

    int size = 256;
    QString input;
    QString output;
    RenderStatus status = RenderStatus::Rendered;
    QSize drawing; // the picture being drawn
};

} // namespace

std::unique_ptr<Command> makeThumbnailCommand()
{
    return std::make_unique<ThumbnailCommand>();
}
