// korvane-thumbnailer: the picture a file manager shows for a .mlt file,
// drawn as the window's preview draws it. File managers run it through the
// thumbnailer entry installed beside it, as
//   korvane-thumbnailer -s SIZE INPUT OUTPUT
// It writes OUTPUT (PNG) and nothing else; on any problem it writes nothing,
// says why in one line on stderr and exits non-zero, and the file manager
// shows its generic icon.

#include "client/clientdata.h"
#include "core/configuration.h"
#include "core/shownname.h"
#include "core/wholenumber.h"
#include "core/writeall.h"
#include "gallery/pngencoder.h"
#include "gallery/thumbnail.h"
#include "preview/multirenderer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Status
{
    Success = 0,
    Usage = 2, // bad command line
    Input = 3, // configuration, client file, .mlt file or output unusable
};

void printError(const QString &message)
{
    std::fprintf(stderr, "korvane-thumbnailer: %s\n",
                 escapeControls(message).toLocal8Bit().constData());
}

int usageError(const QString &message)
{
    printError(message + QStringLiteral(" (try korvane-thumbnailer --help)"));
    return Usage;
}

// Quiet: the reasons are the thumbnailer's own lines.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        printError(message);
}

// A file manager may hand over a file: URI instead of a path.
QString localPath(const QString &argument)
{
    const QUrl url(argument);
    return url.isLocalFile() ? url.toLocalFile() : argument;
}

// Writes the PNG of `picture` into the file `path`, made when it is not
// there. Written in place, not replaced: a thumbnail service may hold the
// file it named open and read the picture through that handle. A write that
// fails leaves nothing: a file made here is removed, another is emptied.
// The reason when it could not, else "".
QString writePicture(const QImage &picture, const QString &path)
{
    QString why;
    const QByteArray bytes = encodePng(picture, &why);
    if (bytes.isEmpty())
        return why;
    const QByteArray name = QFile::encodeName(path);
    struct stat before;
    const bool existed = ::lstat(name.constData(), &before) == 0;
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return qt_error_string(errno);
    int code = writeAll(fd, bytes);
    if (code != 0 && ::ftruncate(fd, 0) == 0 && !existed)
        ::unlink(name.constData());
    if (::close(fd) != 0 && code == 0)
        code = errno;
    return code == 0 ? QString() : qt_error_string(code);
}

int run()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws the multi of a .mlt file as the Korvane Extractor window's preview\n"
                       "draws it, with the client files your korvane.xml names, cut to its\n"
                       "painted pixels and reduced to fit SIZE x SIZE pixels (never enlarged),\n"
                       "and writes it to OUTPUT as PNG. File managers run it to show .mlt files\n"
                       "as pictures. Exit status: 0 written, 2 usage error, 3 nothing written."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption sizeOption(
        {QStringLiteral("s"), QStringLiteral("size")},
        QStringLiteral("Fit the picture into <n> x <n> pixels (1 to %1; default: 256).")
            .arg(MaxThumbnailSize),
        QStringLiteral("n"), QStringLiteral("256"));
    const QCommandLineOption configOption(QStringLiteral("config"),
                                          QStringLiteral("Read the client file paths from "
                                                         "<file> (default: the window's)."),
                                          QStringLiteral("file"));
    parser.addOption(sizeOption);
    parser.addOption(configOption);
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("The .mlt file (a path or a file: URI)."));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("The PNG to write."));
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        // Qt names the program as it was started (a path, say).
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: ") + QCoreApplication::arguments().value(0);
        if (text.startsWith(usage))
            text.replace(7, usage.size() - 7, QStringLiteral("korvane-thumbnailer"));
        std::fputs(qPrintable(text), stdout);
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("korvane-thumbnailer %s\n", KORVANE_VERSION);
        return Success;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usageError(
            QStringLiteral("takes INPUT and OUTPUT, not %1 arguments").arg(positional.size()));
    const std::optional<qint64> side = wholeNumber(parser.value(sizeOption), 1, MaxThumbnailSize);
    if (!side)
        return usageError(QStringLiteral("-s takes a whole number from 1 to %1, not '%2'")
                              .arg(MaxThumbnailSize)
                              .arg(parser.value(sizeOption)));
    const int size = int(*side);
    const QString input = localPath(positional[0]);
    const QString output = positional[1];

    // The file is read first, refused by its size when it holds more
    // components than a rendering takes.
    ClientData client;
    MultiEntry entry;
    const QString config =
        parser.isSet(configOption) ? parser.value(configOption) : configurationPath();
    if (!client.readMultiFileEntry(input, &entry)) {
        printError(client.errorMessage());
        return Input;
    }
    if (!client.readConfiguration(config)) {
        printError(cannotDrawWithoutConfiguration(input, config, client.errorMessage()));
        return Input;
    }
    if (!client.openReaders()) {
        printError(client.errorMessage());
        return Input;
    }

    RenderStatus status = RenderStatus::Rendered;
    const QImage rendered = renderMultiEntry(entry, client.art(), client.tiles(), &status);
    QImage picture;
    if (status == RenderStatus::Rendered && !rendered.isNull())
        picture = thumbnailPicture(rendered, size, &status);
    if (status != RenderStatus::Rendered || picture.isNull()) {
        printError(renderFailure(input, status));
        return Input;
    }
    if (const QString why = writePicture(picture, output); !why.isEmpty()) {
        printError(QStringLiteral("cannot write %1: %2").arg(output, why));
        return Input;
    }
    return Success;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
#ifdef SIGXFSZ
    // A file size limit fails the write, which is reported, instead of
    // ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("korvane-thumbnailer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    qInstallMessageHandler(quietMessages);
    try {
        return run();
    } catch (const std::bad_alloc &) {
        printError(QStringLiteral("not enough memory to go on"));
    } catch (const std::exception &e) {
        printError(QStringLiteral("cannot go on: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    return Input;
}
