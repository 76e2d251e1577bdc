#include "artstore.h"

#include "core/regularfile.h"
#include "data/artdatareader.h"
#include "data/artdecoder.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr int IndexEntries = 32768;
constexpr int IndexEntrySize = 12;
constexpr int FirstItemEntry = 16384; // graphic id g is entry 16384 + g

// The entry window holds at most this much of an entry; item art is far
// smaller, and reads beyond it go through the roaming window.
constexpr qint64 MaxEntryWindow = 1024 * 1024;

// The file at `path`, open, when it is a regular file that can be read;
// null, with `error` saying why, otherwise.
std::unique_ptr<QIODevice> openedFile(const QString &path, QString *error,
                                      QIODevice::OpenMode extra = {})
{
    auto file = std::make_unique<QFile>(path);
    if (!openRegularFile(*file, error, extra))
        return nullptr;
    return file;
}

bool openForReading(QIODevice *device)
{
    if (device && !device->isOpen())
        device->open(QIODevice::ReadOnly);
    return device && device->isReadable();
}

// Width and height from an 8-byte entry header (u32 not interpreted, u16 w,
// u16 h); 0 for what the bytes do not hold.
void headerSize(const QByteArray &header, int &width, int &height)
{
    const uchar *bytes = reinterpret_cast<const uchar *>(header.constData());
    width = header.size() >= 6 ? qFromLittleEndian<quint16>(bytes + 4) : 0;
    height = header.size() >= 8 ? qFromLittleEndian<quint16>(bytes + 6) : 0;
}

} // namespace

static_assert(ArtStore::IndexSize == qint64(IndexEntries) * IndexEntrySize);
static_assert(ArtStore::ItemGraphics == IndexEntries - FirstItemEntry);

ArtStore::ArtStore(QString indexPath, QString dataPath)
{
    bitmapCache.setMaxCost(CachedBitmaps);
    dataFile = openedFile(dataPath, &dataWhy, QIODevice::Unbuffered);
    dataReader = std::make_unique<ArtDataReader>(dataFile.get());
    const std::unique_ptr<QIODevice> indexFile = openedFile(indexPath, &indexWhy);
    load(indexFile.get());
}

ArtStore::ArtStore(QIODevice *index, std::unique_ptr<QIODevice> data) : dataFile(std::move(data))
{
    if (!openForReading(dataFile.get()))
        dataWhy = QStringLiteral("cannot be read");
    bitmapCache.setMaxCost(CachedBitmaps);
    dataReader = std::make_unique<ArtDataReader>(dataFile.get());
    load(index);
}

ArtStore::~ArtStore() = default;

void ArtStore::load(QIODevice *device)
{
    index.assign(IndexEntries, IndexEntry());
    indexWasOpened = openForReading(device);
    if (!indexWasOpened) {
        if (indexWhy.isEmpty())
            indexWhy = QStringLiteral("cannot be read");
        return;
    }
    if (!device->isSequential())
        device->seek(0);
    const QByteArray bytes = readUpTo(*device, IndexSize);
    indexBytesRead = bytes.size();
    // A field cut by the end of the file reads as 0, as does all after it.
    const uchar *raw = reinterpret_cast<const uchar *>(bytes.constData());
    for (qint64 i = 0, at = 0; i < IndexEntries; ++i, at += IndexEntrySize) {
        if (at + 4 <= bytes.size())
            index[i].lookup = qFromLittleEndian<qint32>(raw + at);
        if (at + 8 <= bytes.size())
            index[i].length = qFromLittleEndian<qint32>(raw + at + 4);
    }
}

bool ArtStore::indexOpened() const
{
    return indexWasOpened;
}

bool ArtStore::dataOpened() const
{
    return dataFile && dataFile->isReadable();
}

ArtStore::Survey ArtStore::survey() const
{
    Survey survey;
    survey.indexBytes = indexBytesRead;
    survey.dataBytes = dataOpened() ? dataFile->size() : 0;
    for (int graphicId = 0; graphicId < IndexEntries - FirstItemEntry; ++graphicId) {
        IndexEntry entry;
        if (!artEntry(graphicId, entry))
            continue;
        ++survey.withArt;
        if (qint64(entry.lookup) + 8 > survey.dataBytes)
            ++survey.headerOutside;
    }
    for (const IndexEntry &entry : index) {
        if (hasArt(entry))
            survey.artEnd = std::max(survey.artEnd, qint64(entry.lookup) + entry.length);
    }
    return survey;
}

bool ArtStore::hasArt(int graphicId) const
{
    IndexEntry entry;
    return artEntry(graphicId, entry);
}

bool ArtStore::artEntry(int graphicId, IndexEntry &entry) const
{
    if (graphicId < 0 || graphicId >= IndexEntries - FirstItemEntry)
        return false;
    entry = index[FirstItemEntry + graphicId];
    return hasArt(entry);
}

bool ArtStore::hasArt(const IndexEntry &entry)
{
    // Any negative lookup, not only -1: a seek before the file's start would
    // leave the reads wherever the file happened to be.
    return entry.lookup >= 0 && entry.length >= 1;
}

bool ArtStore::staticSize(int graphicId, qint16 &width, qint16 &height)
{
    width = height = 0;
    if (const QByteArray *bitmap = bitmapCache.object(graphicId)) {
        const uchar *bytes = reinterpret_cast<const uchar *>(bitmap->constData());
        width = qint16(qFromLittleEndian<quint16>(bytes));
        height = qint16(qFromLittleEndian<quint16>(bytes + 2));
        return width != 0 && height != 0;
    }
    IndexEntry entry;
    if (!artEntry(graphicId, entry))
        return false;
    int w = 0;
    int h = 0;
    headerSize(dataReader->read(entry.lookup, 8), w, h);
    if (!artSizeAccepted(w, h))
        return false;
    width = qint16(w);
    height = qint16(h);
    return width != 0 && height != 0;
}

const QByteArray *ArtStore::decodedBitmap(int graphicId, qint16 &width, qint16 &height)
{
    width = height = 0;
    QByteArray *bitmap = bitmapCache.object(graphicId);
    if (!bitmap) {
        IndexEntry entry;
        if (!artEntry(graphicId, entry))
            return nullptr;
        dataReader->loadEntry(entry.lookup, qMin<qint64>(entry.length, MaxEntryWindow));
        const int w = dataReader->word(qint64(entry.lookup) + 4);
        const int h = dataReader->word(qint64(entry.lookup) + 6);
        if (!artSizeAccepted(w, h)) {
            dataReader->releaseEntry();
            return nullptr;
        }
        bitmap = new QByteArray(decodeArtEntry(*dataReader, entry.lookup, w, h));
        dataReader->releaseEntry();
        bitmapCache.insert(graphicId, bitmap);
    }
    const uchar *bytes = reinterpret_cast<const uchar *>(bitmap->constData());
    width = qint16(qFromLittleEndian<quint16>(bytes));
    height = qint16(qFromLittleEndian<quint16>(bytes + 2));
    return bitmap;
}

QByteArray ArtStore::entryBytes(int graphicId)
{
    IndexEntry entry;
    if (!artEntry(graphicId, entry))
        return {};
    const QByteArray bytes =
        dataReader->read(entry.lookup, qMin<qint64>(entry.length, MaxEntryWindow));
    // Art past the data's end is still art: empty, but not null.
    return bytes.isNull() ? QByteArray("") : bytes;
}

QImage ArtStore::staticImage(int graphicId)
{
    qint16 width = 0;
    qint16 height = 0;
    const QByteArray *bitmap = decodedBitmap(graphicId, width, height);
    return bitmap ? artImage(*bitmap) : QImage();
}
