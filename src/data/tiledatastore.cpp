#include "tiledatastore.h"

#include "core/regularfile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// File layout: the land section at byte 0, then the item section, each 512
// blocks of a 4-byte header and 32 records.
constexpr int Records = 16384;
constexpr int RecordsPerBlock = 32;
constexpr int BlockHeader = 4;
constexpr qint64 LandRecordSize = 26; // i32 flags, i16 land value, 20 name bytes
constexpr qint64 ItemRecordSize = 37; // i32 flags, 12 unread, i8 height, 20 name bytes
constexpr qint64 ItemSectionStart = 428032;
constexpr int NameSize = 20;
constexpr qint64 LandNameAt = 6; // in a record
constexpr qint64 ItemNameAt = 17;
static_assert(ItemSectionStart ==
              (Records / RecordsPerBlock) * (BlockHeader + RecordsPerBlock * LandRecordSize));

constexpr qint64 ItemTableRecord = 25;
constexpr qint64 LandTableRecord = 26;

qint64 fileOffset(qint64 sectionStart, qint64 recordSize, int n)
{
    const qint64 blockSize = BlockHeader + RecordsPerBlock * recordSize;
    return sectionStart + (n / RecordsPerBlock) * blockSize + BlockHeader +
           (n % RecordsPerBlock) * recordSize;
}

// Copies `size` bytes of the file at `at` to `out`. A number cut by the end of
// the file reads as 0 in whole; name bytes are taken as far as they go.
void copyNumber(const QByteArray &file, qint64 at, qint64 size, char *out)
{
    if (at + size <= file.size())
        std::memcpy(out, file.constData() + at, size);
}

void copyName(const QByteArray &file, qint64 at, char *out)
{
    const qint64 available = std::clamp<qint64>(file.size() - at, 0, NameSize);
    std::memcpy(out, file.constData() + at, available);
}

QString nameText(const char *bytes)
{
    return QString::fromLatin1(bytes, qstrnlen(bytes, NameSize));
}

// The length of a name as the readers take it: up to its first zero byte.
int nameLength(const char *bytes)
{
    return int(qstrnlen(bytes, NameSize));
}

// Whether a name of that length is printable ASCII.
bool isText(const char *bytes, int length)
{
    return std::all_of(bytes, bytes + length, [](char c) { return c >= 0x20 && c < 0x7f; });
}

// Whether a whole record, its numbers too, is what a text file holds:
// printable ASCII, tabs and line breaks. The numbers of tile data nearly
// always hold other bytes, if only zeros.
bool isTextThroughout(const char *bytes, qint64 size)
{
    return std::all_of(bytes, bytes + size, [](char c) {
        return (c >= 0x20 && c < 0x7f) || c == '\t' || c == '\n' || c == '\r';
    });
}

} // namespace

TileDataStore::TileDataStore(QString path)
{
    QFile file(path);
    if (openRegularFile(file, &error))
        load(&file);
    else
        load(nullptr);
}

TileDataStore::TileDataStore(QIODevice *device)
{
    load(device);
}

TileDataStore::~TileDataStore() = default;

bool TileDataStore::opened() const
{
    return fileOpened;
}

void TileDataStore::load(QIODevice *device)
{
    itemTable = QByteArray(Records * ItemTableRecord, '\0');
    landTable = QByteArray(Records * LandTableRecord, '\0');
    if (device && !device->isOpen())
        device->open(QIODevice::ReadOnly);
    fileOpened = device && device->isReadable();
    if (!fileOpened) {
        if (error.isEmpty())
            error = QStringLiteral("cannot be read");
        return;
    }
    if (!device->isSequential())
        device->seek(0);
    const QByteArray file = readUpTo(*device, FileSize);
    readBytes = file.size();

    char *item = itemTable.data();
    char *land = landTable.data();
    for (int n = 0; n < Records; ++n, item += ItemTableRecord, land += LandTableRecord) {
        const qint64 itemAt = fileOffset(ItemSectionStart, ItemRecordSize, n);
        copyNumber(file, itemAt, 4, item);
        copyNumber(file, itemAt + 16, 1, item + 4);
        copyName(file, itemAt + ItemNameAt, item + 5);

        const qint64 landAt = fileOffset(0, LandRecordSize, n);
        copyNumber(file, landAt, 4, land);
        copyNumber(file, landAt + 4, 2, land + 4);
        copyName(file, landAt + LandNameAt, land + 6);
    }
}

TileDataRecord TileDataStore::itemRecord(int n) const
{
    TileDataRecord record;
    if (n < 0 || n >= Records)
        return record;
    const char *bytes = itemTable.constData() + n * ItemTableRecord;
    record.flags = qFromLittleEndian<qint32>(bytes);
    record.height = qint8(bytes[4]);
    record.name = nameText(bytes + 5);
    return record;
}

TileDataRecord TileDataStore::landRecord(int n) const
{
    TileDataRecord record;
    if (n < 0 || n >= Records)
        return record;
    const char *bytes = landTable.constData() + n * LandTableRecord;
    record.flags = qFromLittleEndian<qint32>(bytes);
    record.landValue = qFromLittleEndian<qint16>(bytes + 4);
    record.name = nameText(bytes + 6);
    return record;
}

QString TileDataStore::layoutProblem(QIODevice *device, int *textNames)
{
    struct Section
    {
        qint64 recordSize;
        qint64 nameAt;
    };
    const Section sections[] = {{LandRecordSize, LandNameAt}, {ItemRecordSize, ItemNameAt}};
    int named = 0;
    int text = 0;
    int textRecords = 0;
    for (const Section &section : sections) {
        const qint64 blockSize = BlockHeader + RecordsPerBlock * section.recordSize;
        for (int block = 0; block < Records / RecordsPerBlock; ++block) {
            const QByteArray bytes = device->read(blockSize);
            if (bytes.size() < blockSize)
                return QStringLiteral("shorter than %1 bytes").arg(FileSize);
            for (int i = 0; i < RecordsPerBlock; ++i) {
                const char *record = bytes.constData() + BlockHeader + i * section.recordSize;
                const char *name = record + section.nameAt;
                const int length = nameLength(name);
                named += length > 0;
                text += length > 0 && isText(name, length);
                textRecords += isTextThroughout(record, section.recordSize);
            }
        }
    }
    if (textNames)
        *textNames = text;
    // A file of zero bytes has no names; a text file (one of a single
    // printable byte over and over too) is text in its numbers as well;
    // random bytes have names of every byte. A name of 20 characters fills
    // its field and is a name like any other.
    if (text == 0)
        return QStringLiteral("no record has a name of text");
    if (textRecords > Records) // more than half of the land and item records
        return QStringLiteral("most records are text throughout, their numbers as well as their "
                              "names (%1 of %2 are)")
            .arg(textRecords)
            .arg(2 * Records);
    if (2 * text < named)
        return QStringLiteral("most names are not text (%1 of %2 are)").arg(text).arg(named);
    return {};
}
