#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The result of a tile data lookup.
struct TileDataRecord
{
    qint32 flags = 0;
    qint8 height = 0;     // 0 from the land table
    QString name;         // at most 20 Latin-1 characters
    qint16 landValue = 0; // 0 from the item table
};

// The client's tile data tables, read once at construction.
class TileDataStore
{
public:
    explicit TileDataStore(QString path);
    explicit TileDataStore(QIODevice *device);
    ~TileDataStore();

    TileDataStore(const TileDataStore &) = delete;
    TileDataStore &operator=(const TileDataStore &) = delete;

    // Whether the tile data file was opened (a regular file is required, so a
    // FIFO or device is refused); when not, why.
    bool opened() const;
    QString errorString() const { return error; }
    // Bytes read of the file, at most the full layout's FileSize; records
    // the file does not hold read as zeros.
    qint64 bytesRead() const { return readBytes; }
    static constexpr qint64 FileSize = 1036288;

    // Why the device's first FileSize bytes, from its current position, are
    // not laid out as tile data; "" when they may be. A name is read as the
    // readers read it, up to its first zero byte or all 20 bytes, whatever
    // bytes it holds; laid out as tile data, most of the names that are not
    // empty are text (printable ASCII), at least one, and most records are
    // not text throughout, as a text file's would be, their numbers too.
    // `textNames` gets how many names are text: the more, the likelier the
    // file is tile data. Reads a block at a time.
    static QString layoutProblem(QIODevice *device, int *textNames = nullptr);

    TileDataRecord itemRecord(int n) const;
    TileDataRecord landRecord(int n) const;

private:
    void load(QIODevice *device);

    // Only the fields in use, packed, block headers dropped. Item record n at
    // n * 25: i32 flags, i8 height, 20 name bytes. Land record n at n * 26:
    // i32 flags, i16 land value, 20 name bytes. Little-endian.
    QByteArray itemTable;
    QByteArray landTable;
    bool fileOpened = false;
    QString error;
    qint64 readBytes = 0;
};
