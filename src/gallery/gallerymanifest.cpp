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

const QByteArray Header = QByteArrayLiteral("korvane gallery manifest 1\n");
constexpr qsizetype DigestDigits = 40;

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
    if (!complete || !manifest.parse(text))
        manifest.pictures.clear();
    return manifest;
}

QByteArray GalleryManifest::digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_160).toHex();
}

bool GalleryManifest::parse(const QByteArray &text)
{
    if (!text.startsWith(Header) || !text.endsWith('\n'))
        return false;
    qsizetype at = Header.size();
    while (at < text.size()) {
        const qsizetype end = text.indexOf('\n', at);
        const QList<QByteArray> fields = text.mid(at, end - at).split(' ');
        at = end + 1;
        if (fields.size() != 5 || !isDigest(fields[0]) || !isDigest(fields[1]))
            return false;
        Picture picture;
        picture.key = fields[0];
        picture.digest = fields[1];
        const QList<QByteArray> sides = fields[3].split('x');
        const std::optional<qint64> bytes = wholeNumber(fields[2], 1, MaxBytes << 4);
        const std::optional<qint64> width =
            sides.size() == 2 ? wholeNumber(sides[0], 1, MaxRenderSide) : std::nullopt;
        const std::optional<qint64> height =
            sides.size() == 2 ? wholeNumber(sides[1], 1, MaxRenderSide) : std::nullopt;
        if (!bytes || !width || !height)
            return false;
        picture.bytes = *bytes;
        picture.pixels = QSize(int(*width), int(*height));
        // The name as written: percent-encoded UTF-8 of a single path component.
        const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(fields[4]));
        if (QUrl::toPercentEncoding(name) != fields[4] || name.isEmpty() || name.contains(u'/') ||
            name == u"." || name == u".." || pictures.contains(name))
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

const GalleryManifest::Picture *GalleryManifest::intact(const OutputDirectory &directory,
                                                        const QString &name,
                                                        const QByteArray &key) const
{
    const Picture *picture = find(name);
    if (!picture || picture->key != key)
        return nullptr;
    QFile file;
    qint64 size = 0;
    if (!directory.openRegular(QFile::encodeName(name), &file, &size) || size != picture->bytes)
        return nullptr;
    const QByteArray bytes = readUpTo(file, picture->bytes + 1);
    return bytes.size() == picture->bytes && digest(bytes) == picture->digest ? picture : nullptr;
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
    return text;
}
