#include "pictureoutput.h"

#include "interruptguard.h"

#include "core/atomicfile.h"
#include "core/outputdirectory.h"
#include "core/writeall.h"
#include "gallery/pngencoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isStandardOutput(const QString &path)
{
    return path == u"-";
}

QString errnoText()
{
    return qt_error_string(errno);
}

// Writes all of `bytes` to `fd`; the reason when it could not, else "".
QString writeBytes(int fd, const QByteArray &bytes)
{
    const int code = writeAll(fd, bytes);
    return code == 0 ? QString() : qt_error_string(code);
}

// A device or FIFO the path names (through symbolic links), which is
// written into instead of being replaced.
bool isSpecial(const QString &path)
{
    struct stat status;
    return stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode);
}

} // namespace

PictureOutput::PictureOutput(const CommandOutput &output, const QString &path)
    : output(output), path(path),
      suffix(isStandardOutput(path) ? QString() : QFileInfo(path).suffix().toLower())
{
    const QByteArray wanted = suffix.isEmpty() ? QByteArray("png") : suffix.toUtf8();
    if (QImageWriter::supportedImageFormats().contains(wanted))
        imageFormat = wanted;
}

QString PictureOutput::usageProblem() const
{
    if (imageFormat.isEmpty()) {
        QStringList known;
        for (const QByteArray &format : QImageWriter::supportedImageFormats())
            known << QString::fromLatin1(format);
        return QStringLiteral("cannot write pictures as \"%1\" (the extension of %2); known "
                              "extensions: %3")
            .arg(suffix, path, known.join(QStringLiteral(", ")));
    }
    // As compressors do: image bytes would only garble the terminal.
    if (isStandardOutput(path) && output.outputIsTerminal())
        return QStringLiteral("will not write a picture to a terminal: redirect standard output "
                              "or give -o FILE");
    return {};
}

QString PictureOutput::targetProblem() const
{
    if (!isStandardOutput(path) && QFileInfo(path).isDir())
        return QStringLiteral("cannot write to %1: it is a directory").arg(path);
    return {};
}

QString PictureOutput::name() const
{
    return isStandardOutput(path) ? QStringLiteral("standard output") : path;
}

QString PictureOutput::write(const QImage &image) const
{
    // Encoded in memory first: the device errors are then the output's own,
    // not an image library's.
    QByteArray bytes;
    if (imageFormat == "png") {
        QString why;
        bytes = encodePng(image, &why);
        if (bytes.isEmpty())
            return QStringLiteral("%1: %2").arg(name(), why);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, imageFormat);
        if (!writer.write(image))
            return QStringLiteral("%1: %2").arg(name(), writer.errorString());
    }

    QString error;
    if (isStandardOutput(path)) {
        std::FILE *out = output.out();
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) != size_t(bytes.size()) ||
            std::fflush(out) != 0)
            error = errnoText();
    } else if (isSpecial(path)) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return QStringLiteral("%1: %2").arg(path, errnoText());
        error = writeBytes(fd, bytes);
        if (::close(fd) != 0 && error.isEmpty())
            error = errnoText();
    } else {
        // Signals are held off until the file is complete or its temporary
        // gone; a pipe or device may block, so it is written unguarded.
        InterruptGuard guard;
        const QFileInfo target(AtomicFile::savedThroughLinks(path));
        OutputDirectory directory;
        AtomicFile file;
        if (!directory.open(target.absolutePath()))
            error = directory.errorString();
        else if (!(file.open(directory, target.fileName()) && file.write(bytes) && file.commit()))
            error = file.errorString();
    }
    return error.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(name(), error);
}
