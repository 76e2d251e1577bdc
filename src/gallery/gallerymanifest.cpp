#include "gallerymanifest.h"

#include "core/outputdirectory.h"
#include "core/regularfile.h"
#include "core/wholenumber.h"
#include "preview/multirenderer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QUrl>

namespace {

const QByteArray Header = QByteArrayLiteral("korvane gallery manifest 2\n");
// Pictures only, as written before pages were recorded.
const QByteArray HeaderOfPictures = QByteArrayLiteral("korvane gallery manifest 1\n");
const QByteArray PageField = QByteArrayLiteral("page");
constexpr qsizetype DigestDigits = 40;
constexpr QCryptographicHash::Algorithm DigestAlgorithm = QCryptographicHash::Blake2b_160;
// What is read of a file at a time while its digest is taken.
constexpr qint64 DigestPiece = 1 << 16;

bool isDigest(const QByteArray &text)
{
    if (text.size() != DigestDigits)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// A whole number from `low` to `high` into `value`; whether there was one.
bool readNumber(const QByteArray &text, qint64 low, qint64 high, qint64 *value)
{
    const std::optional<qint64> number = wholeNumber(text, low, high);
    *value = number.value_or(0);
    return number.has_value();
}

// A name as written: percent-encoded UTF-8 of a single path component.
bool readName(const QByteArray &field, QString *name)
{
    *name = QString::fromUtf8(QByteArray::fromPercentEncoding(field));
    return QUrl::toPercentEncoding(*name) == field && !name->isEmpty() && !name->contains(u'/') &&
           *name != u"." && *name != u"..";
}

} // namespace

const QString GalleryManifest::FileName = QStringLiteral(".korvane-gallery");

GalleryManifest GalleryManifest::read(const OutputDirectory &directory)
{
    GalleryManifest manifest;
    QFile file;
    qint64 size = 0;
    bool complete = false;
    if (!directory.openRegular(QFile::encodeName(FileName), &file, &size))
        return manifest;
    const QByteArray text = readUpTo(file, MaxBytes, &complete);
    if (!complete || !manifest.parse(text)) {
        manifest.pictures.clear();
        manifest.pages.clear();
    }
    return manifest;
}

QByteArray GalleryManifest::digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, DigestAlgorithm).toHex();
}

qint64 GalleryManifest::mostPictureBytes(QSize pixels)
{
    // Four bytes a pixel and a filter byte a row, stored without compression,
    // with zlib's framing (5 bytes a block of at least 16 KiB) and the
    // chunks' (signature, header, palette, transparency, resolution, end and
    // 12 bytes an image data chunk of at least 4 KiB), and room to spare.
    const qint64 raw = qint64(pixels.height()) * (1 + 4 * qint64(pixels.width()));
    return raw + raw / 64 + 4096;
}

bool GalleryManifest::parse(const QByteArray &text)
{
    const bool withPages = text.startsWith(Header);
    if (!(withPages || text.startsWith(HeaderOfPictures)) || !text.endsWith('\n'))
        return false;
    qsizetype at = Header.size();
    while (at < text.size()) {
        const qsizetype end = text.indexOf('\n', at);
        const QList<QByteArray> fields = text.mid(at, end - at).split(' ');
        at = end + 1;
        QString name;
        if (withPages && fields.size() == 4 && fields[0] == PageField) {
            Page page;
            page.digest = fields[1];
            if (!isDigest(page.digest) || !readNumber(fields[2], 1, MaxPageBytes, &page.bytes) ||
                !readName(fields[3], &name) || pages.contains(name))
                return false;
            pages.insert(name, page);
            continue;
        }
        if (fields.size() != 5 || !isDigest(fields[0]) || !isDigest(fields[1]))
            return false;
        Picture picture;
        picture.key = fields[0];
        picture.digest = fields[1];
        const QList<QByteArray> sides = fields[3].split('x');
        qint64 width = 0;
        qint64 height = 0;
        if (sides.size() != 2 || !readNumber(sides[0], 1, MaxRenderSide, &width) ||
            !readNumber(sides[1], 1, MaxRenderSide, &height))
            return false;
        picture.pixels = QSize(int(width), int(height));
        // No picture of that size can have more bytes.
        if (!readNumber(fields[2], 1, mostPictureBytes(picture.pixels), &picture.bytes) ||
            !readName(fields[4], &name) || pictures.contains(name))
            return false;
        pictures.insert(name, picture);
    }
    return true;
}

const GalleryManifest::Picture *GalleryManifest::find(const QString &name) const
{
    const auto it = pictures.constFind(name);
    return it == pictures.constEnd() ? nullptr : &*it;
}

const GalleryManifest::Page *GalleryManifest::findPage(const QString &name) const
{
    const auto it = pages.constFind(name);
    return it == pages.constEnd() ? nullptr : &*it;
}

bool GalleryManifest::holds(const OutputDirectory &directory, const QString &name, qint64 bytes,
                            const QByteArray &digest)
{
    QFile file;
    qint64 size = 0;
    if (!directory.openRegular(QFile::encodeName(name), &file, &size) || size != bytes)
        return false;
    QCryptographicHash hash(DigestAlgorithm);
    QByteArray piece(DigestPiece, Qt::Uninitialized);
    qint64 read = 0;
    while (read <= bytes) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got <= 0)
            break;
        hash.addData(QByteArrayView(piece.constData(), got));
        read += got;
    }
    return read == bytes && hash.result().toHex() == digest;
}

const GalleryManifest::Picture *GalleryManifest::intact(const OutputDirectory &directory,
                                                        const QString &name,
                                                        const QByteArray &key) const
{
    const Picture *picture = find(name);
    if (!picture || picture->key != key)
        return nullptr;
    return holds(directory, name, picture->bytes, picture->digest) ? picture : nullptr;
}

bool GalleryManifest::pageIntact(const OutputDirectory &directory, const QString &name) const
{
    const auto it = pages.constFind(name);
    return it != pages.constEnd() && holds(directory, name, it->bytes, it->digest);
}

QByteArray GalleryManifest::text() const
{
    QByteArray text = Header;
    for (auto it = pictures.constBegin(); it != pictures.constEnd(); ++it) {
        const Picture &picture = *it;
        text += picture.key + ' ' + picture.digest + ' ' + QByteArray::number(picture.bytes) + ' ' +
                QByteArray::number(picture.pixels.width()) + 'x' +
                QByteArray::number(picture.pixels.height()) + ' ' +
                QUrl::toPercentEncoding(it.key()) + '\n';
    }
    for (auto it = pages.constBegin(); it != pages.constEnd(); ++it)
        text += PageField + ' ' + it->digest + ' ' + QByteArray::number(it->bytes) + ' ' +
                QUrl::toPercentEncoding(it.key()) + '\n';
    return text;
}
